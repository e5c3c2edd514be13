#pragma once

#include "Catalog.h"
#include "PgConnection.h"
#include "PgSongRow.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace kalvuno::server {

// Which one- and two-character filters match many songs, remembered for a few
// seconds: a search picks its plan by it. A stale answer costs time only,
// never changes what a search finds.
class GramCommonness
{
public:
    std::optional<bool> lookup(int field, const std::string &gram);
    void remember(int field, const std::string &gram, bool common);

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::pair<bool, std::chrono::steady_clock::time_point>> m_known;
};

struct PgSearchContext
{
    int32_t week = 0;         // the current week
    int64_t manyMatches = 0;  // a filter with more matches than this is common
    GramCommonness *commonness = nullptr;
};

// Runs a search in the database: at most r.max matching songs, in the
// answer's order (random orders: a random choice among all matches).
// Nothing when the database cannot be read.
std::optional<std::vector<PgSongRow>> pgSearch(PgConnection &db, const SearchRequest &r, const PgSearchContext &c);

} // namespace kalvuno::server
