#include "PgSongRow.h"

#include <algorithm>
#include <charconv>

namespace kalvuno::server {

PgSongRow readPgSongRow(const PgResult &r, int row, int32_t week, int ranksColumn)
{
    PgSongRow out;
    Song &s = out.song;
    out.seq = r.integer(row, 0);
    s.id = r.text(row, 2);
    s.owner = r.text(row, 3);
    s.title = r.text(row, 4);
    s.artist = r.text(row, 5);
    s.genre = r.text(row, 6);
    s.media = r.text(row, 7);
    s.home = r.text(row, 8);
    s.kind = Kind(std::clamp<int64_t>(r.integer(row, 9), 0, 3));
    s.web = r.boolean(row, 10);
    s.isPublic = r.boolean(row, 11);
    s.hidden = r.boolean(row, 12);
    s.missing = r.boolean(row, 13);
    s.added = r.integer(row, 14);
    s.plays = r.integer(row, 15);
    if (ranksColumn < 0)
        return out;
    const std::string pairs = r.text(row, ranksColumn);
    const char *p = pairs.data();
    const char *end = p + pairs.size();
    while (p < end) {
        int32_t w = 0;
        int64_t place = 0;
        auto [afterWeek, e1] = std::from_chars(p, end, w);
        if (e1 != std::errc() || afterWeek == end || *afterWeek != ':')
            break;
        auto [afterPlace, e2] = std::from_chars(afterWeek + 1, end, place);
        if (e2 != std::errc())
            break;
        if (week - w >= 0 && week - w < kAnsweredRanks)
            out.ranks[size_t(week - w)] = uint8_t(std::clamp<int64_t>(place, 0, 255));
        p = afterPlace < end ? afterPlace + 1 : end;
    }
    return out;
}

std::string pgRanksColumn(const std::string &weekParam)
{
    // Only the first places of a week are kept: a song played that week
    // without one is at 255 or later.
    return "(SELECT string_agg(w.week || ':' || coalesce(rk.place, 255), ',') FROM weekly_plays w"
           " LEFT JOIN ranks rk ON rk.week = w.week AND rk.seq = w.seq WHERE w.seq = s.seq AND w.plays > 0"
           " AND w.week BETWEEN "
        + weekParam + "::integer - " + std::to_string(kAnsweredRanks - 1) + " AND " + weekParam + "::integer)";
}

} // namespace kalvuno::server
