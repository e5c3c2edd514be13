#include "LibraryService.h"

#include "Cp932.h"
#include "HexDigit.h"
#include "IniFile.h"
#include "QueryText.h"
#include "RequestToken.h"

#include <chrono>
#include <mutex>
#include <random>

namespace kalvuno::server {

namespace {

Reply error(int status, std::string message) { return {status, std::move(message) + "\r\n"}; }

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::mt19937_64 &threadRandom()
{
    thread_local std::mt19937_64 rng{std::random_device{}()};
    return rng;
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool parseHex8(std::string_view text, size_t &value)
{
    if (text.size() != 8)
        return false;
    value = 0;
    for (char c : text) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return false;
        value = value * 16 + size_t(d);
    }
    return true;
}

} // namespace

LibraryService::LibraryService(CatalogStore &store, Options options)
    : m_store(store), m_options(std::move(options)), m_catalog(store.loadSongs())
{
    m_catalog.setRankRefreshSeconds(m_options.rankRefreshSeconds);
    // Work the ranks out now rather than in the first search.
    m_catalog.refreshRanks(weekOfDay(today()), nowSeconds());
    for (const std::string &id : m_store.loadIssuedIds()) {
        m_prefixes.insert(id.substr(0, 8));
        if (m_store.isAccessId(id))
            m_accessByPrefix.emplace(id.substr(0, 8), id);
    }
}

int32_t LibraryService::today() const { return m_options.today ? m_options.today() : todayDayNumber(); }

size_t LibraryService::songCount()
{
    std::shared_lock lock(m_lock);
    return m_catalog.size();
}

Reply LibraryService::search(std::string_view query, const std::string &hostPort)
{
    SearchRequest request;
    std::string why;
    if (!parseSearchRequest(query, request, why))
        return error(400, why);
    const int32_t week = weekOfDay(today());
    const int64_t now = nowSeconds();
    {
        std::shared_lock lock(m_lock);
        if (!m_catalog.ranksStale(week, now))
            return {200, m_catalog.answer(m_catalog.search(request, threadRandom()), hostPort)};
    }
    std::unique_lock lock(m_lock);
    if (m_catalog.ranksStale(week, now))
        m_catalog.refreshRanks(week, now);
    return {200, m_catalog.answer(m_catalog.search(request, threadRandom()), hostPort)};
}

std::string LibraryService::newId()
{
    static const char hex[] = "0123456789abcdef";
    std::mt19937_64 &rng = threadRandom();
    while (true) {
        std::string id(16, '0');
        uint64_t bits = rng();
        for (char &c : id) {
            c = hex[bits & 15];
            bits >>= 4;
        }
        if (m_prefixes.insert(id.substr(0, 8)).second)
            return id;
    }
}

Reply LibraryService::accessId()
{
    std::unique_lock lock(m_lock);
    const std::string id = newId();
    if (!m_store.addAccessId(id))
        return error(500, "cannot store the access ID");
    m_accessByPrefix.emplace(id.substr(0, 8), id);
    return {200, id + "\r\n"};
}

Reply LibraryService::songId()
{
    std::unique_lock lock(m_lock);
    const std::string id = newId();
    if (!m_store.addSongId(id))
        return error(500, "cannot store the song ID");
    return {200, id + "\r\n"};
}

Reply LibraryService::hide(std::string_view query)
{
    std::string argument = fromClientBytes(percentDecode(query));
    bool all = false;
    if (argument.size() >= 4 && argument.compare(argument.size() - 4, 4, "&All") == 0) {
        all = true;
        argument.resize(argument.size() - 4);
    }
    std::unique_lock lock(m_lock);
    // URLs may hold "&" themselves: try every "&" until one splits the
    // argument into a stored home page and its stored media location.
    for (size_t amp = argument.find('&'); amp != std::string::npos; amp = argument.find('&', amp + 1)) {
        const std::string home = argument.substr(0, amp);
        const std::vector<uint32_t> found = m_catalog.findByHomeAndMedia(home, argument.substr(amp + 1), {});
        if (found.empty())
            continue;
        const std::vector<uint32_t> targets = all ? m_catalog.findByHome(home) : found;
        std::vector<std::string> keys;
        for (uint32_t i : targets)
            keys.push_back(storeKey(m_catalog.song(i)));
        for (const std::string &key : keys) {
            if (!m_store.setHidden(key))
                return error(500, "cannot store the change");
            m_catalog.setHidden(uint32_t(m_catalog.findByKey(key, {})));
        }
        return {200, "OK\r\n"};
    }
    return error(404, "no such entry");
}

Reply LibraryService::noFile(std::string_view query)
{
    const std::string key = fromClientBytes(percentDecode(query));
    std::unique_lock lock(m_lock);
    const int i = m_catalog.findByKey(key, {});
    if (i < 0)
        return error(404, "no such entry");
    if (!m_store.setMissing(storeKey(m_catalog.song(uint32_t(i)))))
        return error(500, "cannot store the change");
    m_catalog.setMissing(uint32_t(i));
    return {200, "OK\r\n"};
}

bool LibraryService::tokenValid(const std::string &id, std::string_view token, std::string_view data) const
{
    // The client's local date may be a day either side of ours.
    const int32_t day = today();
    for (int32_t d : {day, day - 1, day + 1})
        if (makeRequestToken(id, data, d) == token)
            return true;
    return false;
}

Reply LibraryService::playCount(std::string_view body)
{
    if (body.size() < 17 || body[16] != '\r')
        return error(400, "malformed play count");
    const std::string_view token = body.substr(0, 16);
    const std::string_view data = body.substr(17);
    std::unique_lock lock(m_lock);
    const int i = m_catalog.findByIdPrefix(std::string(token.substr(0, 8)));
    if (i < 0)
        return error(404, "unknown song");
    const Song &song = m_catalog.song(uint32_t(i));
    if (!tokenValid(song.id, token, data))
        return error(403, "invalid token");
    const int32_t week = weekOfDay(today());
    if (!m_store.addPlay(storeKey(song), week))
        return error(500, "cannot store the play");
    m_catalog.addPlay(uint32_t(i), week);
    return {200, "OK\r\n"};
}

Reply LibraryService::sendSongList(std::string_view body)
{
    if (body.size() < 28 || body.substr(16, 2) != "\r\n" || body.substr(26, 2) != "\r\n")
        return error(400, "malformed song list");
    size_t length = 0;
    if (!parseHex8(body.substr(18, 8), length) || length != body.size() - 28)
        return error(400, "wrong length");
    const std::string_view token = body.substr(0, 16);
    const std::string_view file = body.substr(28);

    std::unique_lock lock(m_lock);
    const auto owner = m_accessByPrefix.find(std::string(token.substr(0, 8)));
    if (owner == m_accessByPrefix.end())
        return error(404, "unknown access ID");
    const std::string &accessId = owner->second;
    if (!tokenValid(accessId, token, file))
        return error(403, "invalid token");

    IniFile list{QString()};
    list.loadBytes(QByteArray(file.data(), qsizetype(file.size())));
    std::unordered_map<std::string, const Song *> previous;
    for (uint32_t i : m_catalog.songsOf(accessId))
        previous.emplace(m_catalog.song(i).id, &m_catalog.song(i));
    std::vector<Song> songs;
    std::unordered_set<std::string> seen;
    const int64_t now = nowSeconds();
    for (const QString &section : list.sectionNames()) {
        const std::string id = section.toStdString();
        if (!seen.insert(id).second)
            continue;
        std::string idOwner;
        if (!m_store.songIdOwner(id, idOwner) || (!idOwner.empty() && idOwner != accessId))
            return error(403, "song ID " + id + " is not yours");
        Song s;
        s.id = id;
        s.owner = accessId;
        s.title = list.readString(section, u"Title").toStdString();
        s.artist = list.readString(section, u"Artist").toStdString();
        s.genre = list.readString(section, u"Genre").toStdString();
        s.media = list.readString(section, u"MP3").toStdString();
        s.home = list.readString(section, u"Home").toStdString();
        s.kind = kindOfLocation(s.media);
        s.isPublic = list.readInteger(section, u"Open", 1) > 0;
        s.added = now;
        // A song sent again keeps its plays and its place among the newest.
        if (const auto it = previous.find(id); it != previous.end()) {
            s.added = it->second->added;
            s.plays = it->second->plays;
            s.weeklyPlays = it->second->weeklyPlays;
            s.hidden = it->second->hidden;
            s.missing = it->second->missing;
        }
        songs.push_back(std::move(s));
    }
    if (!m_store.replaceSongsOf(accessId, songs))
        return error(500, "cannot store the song list");
    m_catalog.replaceSongsOf(accessId, std::move(songs));
    return {200, "OK\r\n"};
}

Reply LibraryService::topPage(const std::string &hostPort)
{
    SearchRequest newest;
    newest.max = 100;
    newest.order = SearchRequest::Order::New;
    std::string links;
    {
        std::shared_lock lock(m_lock);
        for (Kind kind : {Kind::Mp3, Kind::Wav, Kind::Mid, Kind::Mpg}) {
            newest.kind = kind;
            links += std::string("<h2>") + kindName(kind) + "</h2>\n<ul>\n";
            for (uint32_t i : m_catalog.search(newest, threadRandom())) {
                const Song &s = m_catalog.song(i);
                const std::string where = s.media.rfind('/', 0) == 0 ? "http://" + hostPort + s.media : s.media;
                links += "<li><a href=\"" + htmlEscape(where) + "\">" + htmlEscape(s.title) + "</a> - "
                    + htmlEscape(s.artist) + "</li>\n";
            }
            links += "</ul>\n";
        }
    }
    Reply r;
    r.contentType = "text/html; charset=UTF-8";
    r.body = "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>Kalvuno 新着曲</title></head>\n"
             "<body>\n<h1>Kalvuno 新着曲</h1>\n"
        + links + "</body></html>\n";
    return r;
}

} // namespace kalvuno::server
