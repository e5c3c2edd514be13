#include "LibraryStore.h"

#include <unordered_map>

namespace kalvuno::server {

void keepEarlierState(std::vector<Song> &songs, const std::vector<Song> &earlier)
{
    std::unordered_map<std::string, const Song *> byId;
    for (const Song &s : earlier)
        byId.emplace(s.id, &s);
    for (Song &s : songs)
        if (const auto it = byId.find(s.id); it != byId.end()) {
            s.added = it->second->added;
            s.plays = it->second->plays;
            s.weeklyPlays = it->second->weeklyPlays;
            s.hidden = it->second->hidden;
            s.missing = it->second->missing;
        }
}

} // namespace kalvuno::server
