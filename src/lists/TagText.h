#pragma once

#include <QByteArrayView>
#include <QString>

namespace kalvuno {

// Title, artist and genre name read from a media file's tag.
struct TagText
{
    QString title;
    QString artist;
    QString genre;
};

// Bytes of a tag in no declared encoding: CP932, as Japanese tag writers
// store them, unless the bytes are valid UTF-8 with something beyond ASCII,
// which CP932 text almost never is.
QString decodeTagBytes(QByteArrayView bytes);

} // namespace kalvuno
