#pragma once

#include "Song.h"

#include <cstdint>
#include <string>

namespace kalvuno::server {

inline constexpr int kAnsweredRanks = 5; // weekly ranks in an answer's Rank key

// "Title=...\r\nArtist=...\r\nGenre=...\r\n" in CP932.
std::string answerHead(const Song &song);

// One song entry of a search answer, CP932: its key, texts, location (our own
// media completed with hostPort), home page, plays and the ranks of this and
// the four weeks before (0 for none, at most 255).
std::string answerEntry(const Song &song, const std::string &headCp932, const std::string &homeCp932,
                        const uint8_t (&ranks)[kAnsweredRanks], const std::string &hostPort);

} // namespace kalvuno::server
