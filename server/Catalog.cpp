#include "Catalog.h"

#include "Cp932.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace kalvuno::server {

namespace {

constexpr const char *kOwnMediaPrefix = "/kalvuno/media/";
// Random draws among a filter's candidates before it reads them all instead.
constexpr size_t kDrawsPerSong = 16;
// Slots of songs that went are dropped once there are this many, and a
// quarter of all.
constexpr size_t kGoneBeforeRebuild = 1024;

template <class Map>
void eraseEntry(Map &map, const typename Map::key_type &key, uint32_t i)
{
    const auto range = map.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == i) {
            map.erase(it);
            return;
        }
}

std::string homeMediaKey(const std::string &home, const std::string &media) { return home + '\n' + media; }

} // namespace

Catalog::Catalog(std::vector<Song> songs) : m_songs(std::move(songs))
{
    m_derived.reserve(m_songs.size());
    for (const Song &s : m_songs)
        m_derived.push_back(derive(s));
    m_gone.assign(m_songs.size(), 0);
    rebuild();
}

Catalog::Derived Catalog::derive(const Song &s)
{
    Derived d;
    d.artist = foldAscii(s.artist);
    d.title = foldAscii(s.title);
    d.genre = foldAscii(s.genre);
    d.head = answerHead(s);
    d.home = toCp932(s.home);
    return d;
}

std::string Catalog::storedLocation(const std::string &location)
{
    // "http://any-host/kalvuno/media/x" is our own media, whatever host the
    // client reached us by.
    for (const char *scheme : {"http://", "https://"}) {
        if (location.rfind(scheme, 0) != 0)
            continue;
        const size_t path = location.find('/', std::char_traits<char>::length(scheme));
        if (path != std::string::npos && location.compare(path, std::char_traits<char>::length(kOwnMediaPrefix), kOwnMediaPrefix) == 0)
            return location.substr(path);
    }
    return location;
}

void Catalog::rebuild()
{
    if (m_goneCount > 0) {
        size_t kept = 0;
        for (size_t i = 0; i < m_songs.size(); ++i) {
            if (m_gone[i])
                continue;
            if (kept != i) {
                m_songs[kept] = std::move(m_songs[i]);
                m_derived[kept] = std::move(m_derived[i]);
            }
            ++kept;
        }
        m_songs.resize(kept);
        m_derived.resize(kept);
        m_gone.assign(kept, 0);
        m_goneCount = 0;
    }
    for (auto &byWeb : m_newest)
        for (auto &list : byWeb)
            list.clear();
    m_byKey.clear();
    m_byPrefix.clear();
    m_byHomeMedia.clear();
    m_byHome.clear();
    std::vector<uint32_t> all(m_songs.size());
    for (uint32_t i = 0; i < m_songs.size(); ++i) {
        addToLookups(i);
        all[i] = i;
    }
    addToNewest(all);
    // Rank lists hold song positions, which have just moved: the next search
    // must work them out again before it reads them.
    m_rankWeek = -1;
    m_ranksDirty = true;
    // Postings in the order of a newest search over library and web songs,
    // so that one walks them and stops at the first few matches.
    std::sort(all.begin(), all.end(), [this](uint32_t a, uint32_t b) { return newerThan(a, b); });
    m_artistGrams.clear();
    m_titleGrams.clear();
    m_genreGrams.clear();
    for (uint32_t i : all) {
        m_artistGrams.add(i, m_derived[i].artist);
        m_titleGrams.add(i, m_derived[i].title);
        m_genreGrams.add(i, m_derived[i].genre);
    }
}

bool Catalog::newerThan(uint32_t a, uint32_t b) const
{
    const Song &x = m_songs[a];
    const Song &y = m_songs[b];
    if (x.added != y.added)
        return x.added > y.added;
    return x.web != y.web ? x.web < y.web : a < b;
}

void Catalog::addToLookups(uint32_t i)
{
    const Song &s = m_songs[i];
    m_byKey.emplace(s.web ? s.media : s.id, i);
    if (!s.id.empty())
        m_byPrefix.emplace(s.id.substr(0, 8), i);
    m_byHomeMedia.emplace(homeMediaKey(s.home, s.media), i);
    m_byHome.emplace(s.home, i);
}

void Catalog::removeFromLookups(uint32_t i)
{
    const Song &s = m_songs[i];
    eraseEntry(m_byKey, s.web ? s.media : s.id, i);
    if (!s.id.empty())
        eraseEntry(m_byPrefix, s.id.substr(0, 8), i);
    eraseEntry(m_byHomeMedia, homeMediaKey(s.home, s.media), i);
    eraseEntry(m_byHome, s.home, i);
}

void Catalog::addToNewest(const std::vector<uint32_t> &songs)
{
    std::vector<uint32_t> incoming[4][2];
    for (uint32_t i : songs)
        if (m_songs[i].visible())
            incoming[int(m_songs[i].kind)][m_songs[i].web ? 1 : 0].push_back(i);
    std::vector<uint32_t> merged;
    for (int kind = 0; kind < 4; ++kind)
        for (int web = 0; web < 2; ++web) {
            std::vector<uint32_t> &added = incoming[kind][web];
            if (added.empty())
                continue;
            const auto newer = [this](uint32_t a, uint32_t b) { return newerThan(a, b); };
            std::sort(added.begin(), added.end(), newer);
            std::vector<uint32_t> &list = m_newest[kind][web];
            merged.clear();
            merged.reserve(list.size() + added.size());
            std::merge(list.begin(), list.end(), added.begin(), added.end(), std::back_inserter(merged), newer);
            list.swap(merged);
        }
}

void Catalog::removeFromNewest(uint32_t i)
{
    std::vector<uint32_t> &list = m_newest[int(m_songs[i].kind)][m_songs[i].web ? 1 : 0];
    if (const auto it = std::find(list.begin(), list.end(), i); it != list.end())
        list.erase(it);
}

bool Catalog::playedInRankWeeks(const Song &song) const
{
    for (const auto &[week, plays] : song.weeklyPlays)
        if (plays > 0 && week > m_rankWeek - kRankWeeks && week <= m_rankWeek)
            return true;
    return false;
}

bool Catalog::ranksStale(int32_t currentWeek, int64_t now) const
{
    return currentWeek != m_rankWeek || (m_ranksDirty && now - m_ranksAt >= m_rankRefreshSeconds);
}

void Catalog::refreshRanks(int32_t currentWeek, int64_t now)
{
    for (int w = 0; w < kRankWeeks; ++w) {
        const int32_t week = currentWeek - w;
        std::vector<uint32_t> &order = m_rankOrder[w];
        order.clear();
        for (uint32_t i = 0; i < m_songs.size(); ++i) {
            const auto &plays = m_songs[i].weeklyPlays;
            const auto it = plays.find(week);
            if (it != plays.end() && it->second > 0)
                order.push_back(i);
        }
        // Stable: equal plays and times keep the catalog's order, the same in every search.
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int64_t pa = m_songs[a].weeklyPlays.at(week);
            const int64_t pb = m_songs[b].weeklyPlays.at(week);
            return pa != pb ? pa > pb : m_songs[a].added > m_songs[b].added;
        });
        m_rankOf[w].assign(m_songs.size(), 0);
        m_rankPlace[w].assign(m_songs.size(), 0);
        for (size_t r = 0; r < order.size(); ++r) {
            m_rankOf[w][order[r]] = uint8_t(std::min<size_t>(r + 1, 255));
            m_rankPlace[w][order[r]] = uint32_t(r + 1);
        }
    }
    m_rankWeek = currentWeek;
    m_ranksDirty = false;
    m_ranksAt = now;
}

bool Catalog::eligible(uint32_t i, const SearchRequest &r) const
{
    const Song &s = m_songs[i];
    return !m_gone[i] && s.visible() && s.kind == r.kind && (s.web ? r.web : r.library);
}

bool Catalog::matches(uint32_t i, const SearchRequest &r) const
{
    const Derived &d = m_derived[i];
    return (r.artist.empty() || d.artist.find(r.artist) != std::string::npos)
        && (r.title.empty() || d.title.find(r.title) != std::string::npos)
        && (r.genre.empty() || d.genre.find(r.genre) != std::string::npos);
}

std::vector<uint32_t> Catalog::search(const SearchRequest &r, std::mt19937_64 &rng) const
{
    std::vector<uint32_t> found;
    const size_t max = size_t(std::clamp(r.max, 0, 100));
    if (max == 0)
        return found;
    const bool filtered = !r.artist.empty() || !r.title.empty() || !r.genre.empty();
    const std::vector<uint32_t> *lists[2] = {r.library ? &m_newest[int(r.kind)][0] : nullptr,
                                             r.web ? &m_newest[int(r.kind)][1] : nullptr};
    const auto candidate = [&](size_t k) -> uint32_t {
        const size_t first = lists[0] ? lists[0]->size() : 0;
        return k < first ? (*lists[0])[k] : (*lists[1])[k - first];
    };
    const size_t total = (lists[0] ? lists[0]->size() : 0) + (lists[1] ? lists[1]->size() : 0);
    if (filtered)
        if (const auto songs = indexed(r)) {
            searchByIndex(r, *songs, max, rng, found);
            return found;
        }

    switch (r.order) {
    case SearchRequest::Order::Random:
        if (!filtered) {
            // Floyd's sampling: max distinct positions without touching the rest.
            std::unordered_set<size_t> chosen;
            for (size_t j = total - std::min(max, total); j < total; ++j) {
                const size_t t = std::uniform_int_distribution<size_t>(0, j)(rng);
                const size_t pick = chosen.insert(t).second ? t : j;
                chosen.insert(pick);
                found.push_back(candidate(pick));
            }
        } else {
            size_t seen = 0; // reservoir sampling over the matches
            for (size_t k = 0; k < total; ++k) {
                const uint32_t i = candidate(k);
                if (!matches(i, r))
                    continue;
                ++seen;
                if (found.size() < max)
                    found.push_back(i);
                else if (const size_t slot = std::uniform_int_distribution<size_t>(0, seen - 1)(rng); slot < max)
                    found[slot] = i;
            }
        }
        std::shuffle(found.begin(), found.end(), rng);
        break;
    case SearchRequest::Order::New: {
        // Merge the two newest-first lists.
        size_t a = 0;
        size_t b = 0;
        const auto &la = lists[0] ? *lists[0] : m_newest[0][0];
        const auto &lb = lists[1] ? *lists[1] : m_newest[0][0];
        const size_t na = lists[0] ? la.size() : 0;
        const size_t nb = lists[1] ? lb.size() : 0;
        while (found.size() < max && (a < na || b < nb)) {
            const bool takeA = b >= nb || (a < na && m_songs[la[a]].added >= m_songs[lb[b]].added);
            const uint32_t i = takeA ? la[a++] : lb[b++];
            if (matches(i, r))
                found.push_back(i);
        }
        break;
    }
    case SearchRequest::Order::Rank:
        if (r.weeksAgo >= 0 && r.weeksAgo < kRankWeeks)
            for (uint32_t i : m_rankOrder[r.weeksAgo]) {
                if (found.size() >= max)
                    break;
                if (eligible(i, r) && matches(i, r))
                    found.push_back(i);
            }
        break;
    }
    return found;
}

std::optional<std::span<const uint32_t>> Catalog::indexed(const SearchRequest &r) const
{
    std::optional<std::span<const uint32_t>> best;
    const std::pair<const GramIndex *, const std::string *> fields[] = {
        {&m_artistGrams, &r.artist}, {&m_titleGrams, &r.title}, {&m_genreGrams, &r.genre}};
    for (const auto &[index, query] : fields)
        if (const auto songs = index->candidates(*query); songs && (!best || songs->size() < best->size()))
            best = songs;
    return best;
}

void Catalog::searchByIndex(const SearchRequest &r, std::span<const uint32_t> songs, size_t max, std::mt19937_64 &rng,
                            std::vector<uint32_t> &found) const
{
    switch (r.order) {
    case SearchRequest::Order::Random: {
        if (songs.size() > kDrawsPerSong * max) {
            // Many candidates: draw distinct ones at random and keep those
            // that match, each match as likely as any other, until enough.
            std::unordered_set<size_t> drawn;
            std::uniform_int_distribution<size_t> any(0, songs.size() - 1);
            while (found.size() < max && drawn.size() < kDrawsPerSong * max) {
                const size_t k = any(rng);
                if (drawn.insert(k).second && eligible(songs[k], r) && matches(songs[k], r))
                    found.push_back(songs[k]);
            }
            if (found.size() == max)
                break; // in random order already
            found.clear(); // few of them match: look at every one
        }
        size_t seen = 0; // reservoir sampling over the matches
        for (uint32_t i : songs) {
            if (!eligible(i, r) || !matches(i, r))
                continue;
            ++seen;
            if (found.size() < max)
                found.push_back(i);
            else if (const size_t slot = std::uniform_int_distribution<size_t>(0, seen - 1)(rng); slot < max)
                found[slot] = i;
        }
        std::shuffle(found.begin(), found.end(), rng);
        break;
    }
    case SearchRequest::Order::New:
        for (size_t k = 0; k < songs.size() && found.size() < max; ++k)
            if (eligible(songs[k], r) && matches(songs[k], r))
                found.push_back(songs[k]);
        break;
    case SearchRequest::Order::Rank: {
        if (r.weeksAgo < 0 || r.weeksAgo >= kRankWeeks)
            break;
        const std::vector<uint32_t> &order = m_rankOrder[r.weeksAgo];
        const std::vector<uint32_t> &place = m_rankPlace[r.weeksAgo];
        if (max * order.size() <= songs.size() * songs.size()) {
            // Walking the ranks until enough match (about max * ranked /
            // candidates songs) is cheaper than reading every candidate.
            for (size_t k = 0; k < order.size() && found.size() < max; ++k)
                if (eligible(order[k], r) && matches(order[k], r))
                    found.push_back(order[k]);
            break;
        }
        for (uint32_t i : songs)
            if (i < place.size() && place[i] > 0 && eligible(i, r) && matches(i, r))
                found.push_back(i);
        const auto byPlace = [&place](uint32_t a, uint32_t b) { return place[a] < place[b]; };
        const size_t kept = std::min(max, found.size());
        std::partial_sort(found.begin(), found.begin() + ptrdiff_t(kept), found.end(), byPlace);
        found.resize(kept);
        break;
    }
    }
}

std::string Catalog::answer(const std::vector<uint32_t> &songs, const std::string &hostPort) const
{
    std::string out;
    for (uint32_t i : songs) {
        uint8_t ranks[kAnsweredRanks];
        for (int w = 0; w < kAnsweredRanks; ++w)
            ranks[w] = i < m_rankOf[w].size() ? m_rankOf[w][i] : 0;
        const std::string entry = answerEntry(m_songs[i], m_derived[i].head, m_derived[i].home, ranks, hostPort);
        if (!appendAnswerEntry(out, entry))
            break;
    }
    return out;
}

int Catalog::findByKey(const std::string &key, const std::string &hostPort) const
{
    (void)hostPort;
    auto it = m_byKey.find(key);
    if (it == m_byKey.end())
        it = m_byKey.find(storedLocation(key));
    return it == m_byKey.end() ? -1 : int(it->second);
}

int Catalog::findByIdPrefix(const std::string &prefix) const
{
    const auto it = m_byPrefix.find(prefix);
    return it == m_byPrefix.end() ? -1 : int(it->second);
}

std::vector<uint32_t> Catalog::findByHomeAndMedia(const std::string &home, const std::string &media,
                                                  const std::string &hostPort) const
{
    (void)hostPort;
    std::vector<uint32_t> out;
    const auto range = m_byHomeMedia.equal_range(homeMediaKey(home, storedLocation(media)));
    for (auto it = range.first; it != range.second; ++it)
        out.push_back(it->second);
    return out;
}

std::vector<uint32_t> Catalog::findByHome(const std::string &home) const
{
    std::vector<uint32_t> out;
    const auto range = m_byHome.equal_range(home);
    for (auto it = range.first; it != range.second; ++it)
        out.push_back(it->second);
    return out;
}

std::vector<uint32_t> Catalog::songsOf(const std::string &owner) const
{
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < m_songs.size(); ++i)
        if (!owner.empty() && m_songs[i].owner == owner)
            out.push_back(i);
    return out;
}

void Catalog::addPlay(uint32_t i, int32_t week)
{
    ++m_songs[i].plays;
    ++m_songs[i].weeklyPlays[week];
    m_ranksDirty = true;
}

void Catalog::setHidden(uint32_t i)
{
    removeFromNewest(i);
    m_songs[i].hidden = true;
    m_ranksDirty = true;
}

void Catalog::setMissing(uint32_t i)
{
    removeFromNewest(i);
    m_songs[i].missing = true;
    m_ranksDirty = true;
}

void Catalog::replaceSongsOf(const std::string &owner, std::vector<Song> songs)
{
    // Ranks are worked out again only when songs with plays in their weeks came or went.
    bool ranksMoved = false;
    for (uint32_t i : songsOf(owner)) {
        ranksMoved = ranksMoved || playedInRankWeeks(m_songs[i]);
        removeFromLookups(i);
        removeFromNewest(i);
        m_gone[i] = 1;
        ++m_goneCount;
        // Its slot stays (postings and rank lists may still name it) but
        // not its texts. Its time and web flag place it in the postings'
        // order, which new songs are merged into: they stay.
        Song husk;
        husk.added = m_songs[i].added;
        husk.web = m_songs[i].web;
        m_songs[i] = std::move(husk);
        m_derived[i] = Derived();
    }
    std::vector<uint32_t> added;
    for (Song &s : songs) {
        ranksMoved = ranksMoved || playedInRankWeeks(s);
        added.push_back(uint32_t(m_songs.size()));
        m_derived.push_back(derive(s));
        m_songs.push_back(std::move(s));
        m_gone.push_back(0);
    }
    if (m_goneCount >= kGoneBeforeRebuild && m_goneCount >= m_songs.size() / 4) {
        rebuild();
        return;
    }
    for (uint32_t i : added)
        addToLookups(i);
    addToNewest(added);
    const auto newer = [this](uint32_t a, uint32_t b) { return newerThan(a, b); };
    for (const auto &[index, text] : {std::pair{&m_artistGrams, &Derived::artist},
                                      std::pair{&m_titleGrams, &Derived::title},
                                      std::pair{&m_genreGrams, &Derived::genre}}) {
        std::vector<std::pair<uint32_t, std::string_view>> texts;
        for (uint32_t i : added)
            texts.emplace_back(i, m_derived[i].*text);
        index->insert(texts, newer);
    }
    if (ranksMoved)
        m_rankWeek = -1;
    m_ranksDirty = true;
}

} // namespace kalvuno::server
