#pragma once

#include "CurrentPlaylist.h"

#include <QString>

namespace kalvuno {

// A song entry made from a local file.
struct MediaEntry
{
    QString key; // the file's full path, also its MP3
    EntryValues values;
};

// The entry of a local media file: its title, artist and genre from the
// file's ID3v1 tag, else from its other tags, else from its name and, below
// the music folder, from the folder it lies in (music folder/Artist/Title.ext,
// as downloads are stored). The path is made absolute. Only regular files are
// read; anything else is still an entry, named by its path.
MediaEntry mediaEntryFor(const QString &path, const QString &musicFolder);

} // namespace kalvuno
