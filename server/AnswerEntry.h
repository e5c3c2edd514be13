#pragma once

#include "Song.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalvuno::server {

inline constexpr int kAnsweredRanks = 5; // weekly ranks in an answer's Rank key
// A search answer stays below this many bytes: the client reads no more.
inline constexpr size_t kAnswerLimit = 65536;

// "Title=...\r\nArtist=...\r\nGenre=...\r\n" in CP932.
std::string answerHead(const Song &song);

// One song entry of a search answer, CP932: its key, texts, location (our own
// media completed with hostPort), home page, plays and the ranks of this and
// the four weeks before (0 for none, at most 255).
std::string answerEntry(const Song &song, const std::string &headCp932, const std::string &homeCp932,
                        const uint8_t (&ranks)[kAnsweredRanks], const std::string &hostPort);

// Adds an entry to an answer while it stays below kAnswerLimit. An entry that
// could never fit (an uploaded title of many kilobytes) is left out and the
// answer goes on with the next; returns false once the answer is full.
bool appendAnswerEntry(std::string &answer, const std::string &entry);

} // namespace kalvuno::server
