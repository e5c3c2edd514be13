#include "MemoryLibrary.h"

#include "RequestToken.h"
#include "ServiceClock.h"

#include <mutex>

namespace kalvuno::server {

MemoryLibrary::MemoryLibrary(CatalogStore &disk, Options options)
    : m_disk(disk), m_options(std::move(options)), m_catalog(disk.loadSongs())
{
    m_catalog.setRankRefreshSeconds(m_options.rankRefreshSeconds);
    // Work the ranks out now rather than in the first search.
    m_catalog.refreshRanks(weekOfDay(today()), nowSeconds());
    for (const std::string &id : m_disk.loadIssuedIds()) {
        m_prefixes.insert(id.substr(0, 8));
        if (m_disk.isAccessId(id))
            m_accessByPrefix.emplace(id.substr(0, 8), id);
    }
}

int32_t MemoryLibrary::today() const { return m_options.today ? m_options.today() : todayDayNumber(); }

size_t MemoryLibrary::songCount()
{
    std::shared_lock lock(m_lock);
    return m_catalog.size();
}

std::optional<std::string> MemoryLibrary::search(const SearchRequest &request, const std::string &hostPort)
{
    const int32_t week = weekOfDay(today());
    const int64_t now = nowSeconds();
    {
        std::shared_lock lock(m_lock);
        if (!m_catalog.ranksStale(week, now))
            return m_catalog.answer(m_catalog.search(request, threadRandom()), hostPort);
    }
    std::unique_lock lock(m_lock);
    if (m_catalog.ranksStale(week, now))
        m_catalog.refreshRanks(week, now);
    return m_catalog.answer(m_catalog.search(request, threadRandom()), hostPort);
}

std::vector<Song> MemoryLibrary::newest(Kind kind, int max)
{
    SearchRequest request;
    request.max = max;
    request.order = SearchRequest::Order::New;
    request.kind = kind;
    std::vector<Song> songs;
    std::shared_lock lock(m_lock);
    for (uint32_t i : m_catalog.search(request, threadRandom()))
        songs.push_back(m_catalog.song(i));
    return songs;
}

std::string MemoryLibrary::issueId(IdKind kind)
{
    std::unique_lock lock(m_lock);
    std::string id;
    do
        id = randomId();
    while (!m_prefixes.insert(id.substr(0, 8)).second);
    if (!(kind == IdKind::Access ? m_disk.addAccessId(id) : m_disk.addSongId(id)))
        return {};
    if (kind == IdKind::Access)
        m_accessByPrefix.emplace(id.substr(0, 8), id);
    return id;
}

std::optional<std::string> MemoryLibrary::accessIdByPrefix(const std::string &prefix)
{
    std::shared_lock lock(m_lock);
    const auto it = m_accessByPrefix.find(prefix);
    return it == m_accessByPrefix.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::string> MemoryLibrary::songIdByPrefix(const std::string &prefix)
{
    std::shared_lock lock(m_lock);
    const int i = m_catalog.findByIdPrefix(prefix);
    return i < 0 ? std::nullopt : std::optional(m_catalog.song(uint32_t(i)).id);
}

LibraryStore::Outcome MemoryLibrary::hide(const std::string &home, const std::string &media, bool all)
{
    std::unique_lock lock(m_lock);
    const std::vector<uint32_t> found = m_catalog.findByHomeAndMedia(home, media, {});
    if (found.empty())
        return Outcome::NotFound;
    std::vector<std::string> keys;
    for (uint32_t i : all ? m_catalog.findByHome(home) : found)
        keys.push_back(storeKey(m_catalog.song(i)));
    for (const std::string &key : keys) {
        if (!m_disk.setHidden(key))
            return Outcome::Failed;
        m_catalog.setHidden(uint32_t(m_catalog.findByKey(key, {})));
    }
    return Outcome::Done;
}

LibraryStore::Outcome MemoryLibrary::markMissing(const std::string &key)
{
    std::unique_lock lock(m_lock);
    const int i = m_catalog.findByKey(key, {});
    if (i < 0)
        return Outcome::NotFound;
    if (!m_disk.setMissing(storeKey(m_catalog.song(uint32_t(i)))))
        return Outcome::Failed;
    m_catalog.setMissing(uint32_t(i));
    return Outcome::Done;
}

LibraryStore::Outcome MemoryLibrary::addPlay(const std::string &songId, int32_t week)
{
    std::unique_lock lock(m_lock);
    const int i = m_catalog.findByKey(songId, {});
    if (i < 0 || m_catalog.song(uint32_t(i)).web)
        return Outcome::NotFound;
    if (!m_disk.addPlay(songId, week))
        return Outcome::Failed;
    m_catalog.addPlay(uint32_t(i), week);
    return Outcome::Done;
}

LibraryStore::Outcome MemoryLibrary::replaceSongsOf(const std::string &owner, std::vector<Song> songs,
                                                    std::string &refusedId)
{
    std::unique_lock lock(m_lock);
    for (const Song &s : songs) {
        std::string idOwner;
        if (!m_disk.songIdOwner(s.id, idOwner) || (!idOwner.empty() && idOwner != owner)) {
            refusedId = s.id;
            return Outcome::Refused;
        }
    }
    std::vector<Song> earlier;
    for (uint32_t i : m_catalog.songsOf(owner))
        earlier.push_back(m_catalog.song(i));
    keepEarlierState(songs, earlier);
    if (!m_disk.replaceSongsOf(owner, songs))
        return Outcome::Failed;
    m_catalog.replaceSongsOf(owner, std::move(songs));
    return Outcome::Done;
}

} // namespace kalvuno::server
