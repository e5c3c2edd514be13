#pragma once

#include "AnswerEntry.h"
#include "PgConnection.h"
#include "Song.h"

#include <array>

namespace kalvuno::server {

// The columns of a song as the PostgreSQL store reads them (table alias s).
inline constexpr const char *kPgSongColumns = "s.seq, s.key, s.id, s.owner, s.title, s.artist, s.genre, s.media,"
                                              " s.home, s.kind, s.web, s.public, s.hidden, s.missing, s.added, s.plays";

struct PgSongRow
{
    int64_t seq = 0;
    Song song;
    // Places in the answered weeks, this week first; 0 for none.
    std::array<uint8_t, kAnsweredRanks> ranks{};
};

// A row of kPgSongColumns, with (when ranksColumn >= 0) the places of
// the column made by pgRanksColumn.
PgSongRow readPgSongRow(const PgResult &r, int row, int32_t week, int ranksColumn = -1);

// A column of "week:place" pairs of the song's answered weeks up to the week
// in parameter weekParam ("$3").
std::string pgRanksColumn(const std::string &weekParam);

} // namespace kalvuno::server
