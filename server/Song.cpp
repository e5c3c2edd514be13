#include "Song.h"

#include <algorithm>

namespace kalvuno::server {

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::Mp3:
        return "mp3";
    case Kind::Wav:
        return "wav";
    case Kind::Mid:
        return "mid";
    case Kind::Mpg:
        return "mpg";
    }
    return "mp3";
}

bool kindFromName(const std::string &name, Kind &kind)
{
    for (Kind k : {Kind::Mp3, Kind::Wav, Kind::Mid, Kind::Mpg})
        if (name == kindName(k)) {
            kind = k;
            return true;
        }
    return false;
}

Kind kindOfLocation(const std::string &location)
{
    const size_t dot = location.rfind('.');
    if (dot == std::string::npos)
        return Kind::Mp3;
    std::string ext = location.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "wav")
        return Kind::Wav;
    if (ext == "mid" || ext == "midi")
        return Kind::Mid;
    if (ext == "mpg" || ext == "mpeg" || ext == "avi")
        return Kind::Mpg;
    return Kind::Mp3;
}

int32_t weekOfDay(int32_t dayNumber)
{
    // Day 2 (1 January 1900) was a Monday.
    const int32_t sinceMonday = dayNumber - 2;
    return sinceMonday >= 0 ? sinceMonday / 7 : -((-sinceMonday + 6) / 7);
}

} // namespace kalvuno::server
