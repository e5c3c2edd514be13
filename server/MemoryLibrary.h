#pragma once

#include "Catalog.h"
#include "CatalogStore.h"
#include "LibraryStore.h"

#include <functional>
#include <shared_mutex>
#include <unordered_map>
#include <unordered_set>

namespace kalvuno::server {

// The embedded store: the whole catalog in this process's memory, every
// change written through to an SQLite file. Searches share the catalog,
// changes take it alone. One process per database.
class MemoryLibrary : public LibraryStore
{
public:
    struct Options
    {
        int rankRefreshSeconds = 1;
        std::function<int32_t()> today; // the local day number; todayDayNumber() when empty
    };

    MemoryLibrary(CatalogStore &disk, Options options);

    std::optional<std::string> search(const SearchRequest &request, const std::string &hostPort) override;
    std::vector<Song> newest(Kind kind, int max) override;
    size_t songCount() override;
    std::string issueId(IdKind kind) override;
    std::optional<std::string> accessIdByPrefix(const std::string &prefix) override;
    std::optional<std::string> songIdByPrefix(const std::string &prefix) override;
    Outcome hide(const std::string &home, const std::string &media, bool all) override;
    Outcome markMissing(const std::string &key) override;
    Outcome addPlay(const std::string &songId, int32_t week) override;
    Outcome replaceSongsOf(const std::string &owner, std::vector<Song> songs, std::string &refusedId) override;

private:
    int32_t today() const;

    CatalogStore &m_disk;
    Options m_options;
    std::shared_mutex m_lock;
    Catalog m_catalog;
    std::unordered_set<std::string> m_prefixes;                    // first 8 characters of every ID handed out
    std::unordered_map<std::string, std::string> m_accessByPrefix; // access IDs by their first 8 characters
};

} // namespace kalvuno::server
