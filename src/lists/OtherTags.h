#pragma once

#include "TagText.h"

#include <QString>
#include <optional>

namespace kalvuno {

// The title, artist and genre of the tags other than ID3v1 that a media file
// may carry (ID3v2, RIFF INFO, APE and the like). Nothing when the file has
// none with a title or an artist, or is no regular file. Text that a tag keeps
// as "Latin-1" is read as tag bytes of ours are (see decodeTagBytes).
std::optional<TagText> readOtherTags(const QString &path);

} // namespace kalvuno
