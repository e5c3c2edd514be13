#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kalvuno::server {

enum class Kind { Mp3, Wav, Mid, Mpg };

// "mp3", "wav", "mid", "mpg" (MPEG and AVI videos are of the mpg kind).
const char *kindName(Kind kind);
bool kindFromName(const std::string &name, Kind &kind);
// The kind a media location's extension gives; mp3 when it gives none.
Kind kindOfLocation(const std::string &location);

struct Song
{
    std::string id;    // 16 hexadecimal digits; empty for web entries
    std::string owner; // access ID of the user who uploaded it; empty for the catalog's own
    std::string title; // texts in UTF-8
    std::string artist;
    std::string genre;
    // An absolute URL, or a path on this service ("/kalvuno/media/...") that
    // answers complete with the host the request came to.
    std::string media;
    std::string home;
    Kind kind = Kind::Mp3;
    bool web = false; // found on the web rather than in the library; keyed by its URL
    bool isPublic = true;
    bool hidden = false;
    bool missing = false;
    int64_t added = 0; // seconds since the epoch
    int64_t plays = 0;
    std::map<int32_t, int64_t> weeklyPlays; // week number -> plays in that week

    bool visible() const { return isPublic && !hidden && !missing; }
};

// The local calendar week (weeks start on Monday) of a day number.
int32_t weekOfDay(int32_t dayNumber);

} // namespace kalvuno::server
