#pragma once

#include "LibraryStore.h"
#include "SongListFormat.h"

#include <functional>
#include <string>
#include <string_view>

namespace kalvuno::server {

struct Reply
{
    int status = 200;
    std::string body;
    std::string contentType = "text/plain; charset=Shift_JIS";
};

// The largest request body: a song-list upload of the largest list.
inline constexpr size_t kMaxUploadBytes = kMaxSongListBytes + kSongListHeaderBytes;

// What the library service does for each command, apart from HTTP and from
// where the catalog is kept. Safe to call from many threads.
class LibraryService
{
public:
    // today: the local day number; todayDayNumber() when empty.
    LibraryService(LibraryStore &store, std::function<int32_t()> today = {});

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
    bool tokenValid(const std::string &id, std::string_view token, std::string_view data) const;

    LibraryStore &m_store;
    std::function<int32_t()> m_today;
};

} // namespace kalvuno::server
