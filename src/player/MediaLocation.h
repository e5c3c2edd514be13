#pragma once

#include <QString>

// Where a player may take a medium from: an http or https URL, or a regular
// local file (an absolute or relative path, or a file: URL), symbolic links
// followed. Anything else (a device, a FIFO, a directory, a socket, a missing
// file, another scheme) is unopenable: a FIFO or a device would stall or feed
// the decoders without end, and other schemes reach places we never meant to
// read from.
struct MediaLocation
{
    enum class Kind
    {
        Unopenable,
        Web,
        LocalFile,
    };
    Kind kind = Kind::Unopenable;
    // For a local file: the path that was checked, to be opened as it is.
    QString localPath;

    static MediaLocation of(const QString &location);
};
