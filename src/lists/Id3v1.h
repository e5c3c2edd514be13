#pragma once

#include "TagText.h"

#include <QString>
#include <optional>

namespace kalvuno {

inline constexpr int kId3v1Size = 128;
inline constexpr int kId3v1Genres = 148;

// The ID3v1 genre name of a genre number: the 80 names of the tag format and
// Winamp's additions up to 147; empty for any other number.
QString id3v1Genre(int number);

// The ID3v1 tag of a file whose extension is ".mp3" in any letter case: the
// title and artist fields up to their first zero byte, blanks kept, and the
// genre's name. Nothing for other files, files without the tag, and anything
// that is no regular file (which is never even opened).
std::optional<TagText> ReadID3v1(const QString &path);

// The tag in its last 128 bytes; nothing when they hold none.
std::optional<TagText> parseId3v1(QByteArrayView tail);

} // namespace kalvuno
