#pragma once

#include "Catalog.h"
#include "CatalogStore.h"

#include <functional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kalvuno::server {

struct Reply
{
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=Shift_JIS";
};

inline constexpr size_t kMaxUploadBytes = 1 << 20;

// What the library service does for each command, apart from HTTP. Safe to
// call from many threads: searches share the catalog, changes take it alone.
class LibraryService
{
public:
    struct Options
    {
        int rankRefreshSeconds = 1;
        std::function<int32_t()> today; // the local day number; todayDayNumber() when empty
    };

    LibraryService(CatalogStore &store, Options options);

    // hostPort: the Host the request came to, which our media locations carry.
    Reply search(std::string_view query, const std::string &hostPort);
    Reply accessId();
    Reply songId();
    Reply hide(std::string_view query);
    Reply noFile(std::string_view query);
    Reply playCount(std::string_view body);
    Reply sendSongList(std::string_view body);
    // The start page: the newest public songs as plain links.
    Reply topPage(const std::string &hostPort);

    size_t songCount();

private:
    int32_t today() const;
    std::string newId();
    bool tokenValid(const std::string &id, std::string_view token, std::string_view data) const;

    CatalogStore &m_store;
    Options m_options;
    std::shared_mutex m_lock;
    Catalog m_catalog;
    std::unordered_set<std::string> m_prefixes;                    // first 8 characters of every ID handed out
    std::unordered_map<std::string, std::string> m_accessByPrefix; // access IDs by their first 8 characters
};

} // namespace kalvuno::server
