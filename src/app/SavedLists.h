#pragma once

#include <QString>
#include <QStringList>

namespace kalvuno {

inline constexpr char16_t kPlaylistSuffix[] = u".pl";
inline constexpr char16_t kFavoriteSuffix[] = u".fvr";
inline constexpr int kPlaylistNameBytes = 32;

// The names of a folder's saved lists: entries whose name ends exactly in
// the suffix (an "X.PL" could not be opened under the name it would list),
// in Japanese collation order, since the directory's own order is a hash's.
QStringList listSavedNames(const QString &folder, const QString &suffix);

// The name cut to the bytes it takes in CP932 (a double-byte character
// counts two; one CP932 cannot hold counts as two as well).
QString fitToCp932Bytes(const QString &name, int maxBytes);

enum class SaveListResult { Saved, FolderFailed, WriteFailed };

// Saves a copy of the current playlist as a saved playlist with every play
// count "--": the copy is made and its counts written in a temporary file
// beside the target, which then replaces the target in one step, so a
// failure keeps the old file as it was. A missing folder is made (one
// level); when that fails, folderError receives the system's error code.
SaveListResult saveListCopy(const QString &currentList, const QString &path, int *folderError = nullptr);

// Copies a file byte for byte over another, atomically. False when the
// source cannot be read or the target not written.
bool copyFileOver(const QString &source, const QString &target);

} // namespace kalvuno
