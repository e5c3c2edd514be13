#include "LibraryService.h"

#include "Cp932.h"
#include "HexDigit.h"
#include "IniFile.h"
#include "QueryText.h"
#include "RequestToken.h"
#include "ServiceClock.h"

#include <algorithm>
#include <unordered_set>

namespace kalvuno::server {

namespace {

Reply error(int status, std::string message) { return {status, std::move(message) + "\r\n"}; }

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

// A value with a control character would reach every client that finds it:
// a NUL ends the client's reading of the whole answer. Line ends separate
// the list's lines; TAB is ordinary text.
bool hasControlBytes(std::string_view file)
{
    return std::any_of(file.begin(), file.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
    });
}

// Far more than the client's registration lets a listener type (32), and few
// enough that a song's searchable texts stay cheap to index.
constexpr size_t kMaxSearchedCharacters = 1024;

size_t utf8Characters(const std::string &text)
{
    return size_t(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
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

LibraryService::LibraryService(LibraryStore &store, std::function<int32_t()> today)
    : m_store(store), m_today(std::move(today))
{
}

int32_t LibraryService::today() const { return m_today ? m_today() : todayDayNumber(); }

size_t LibraryService::songCount() { return m_store.songCount(); }

Reply LibraryService::search(std::string_view query, const std::string &hostPort)
{
    SearchRequest request;
    std::string why;
    if (!parseSearchRequest(query, request, why))
        return error(400, why);
    std::optional<std::string> answer = m_store.search(request, hostPort);
    if (!answer)
        return error(500, "cannot search the catalog");
    return {200, std::move(*answer)};
}

Reply LibraryService::accessId()
{
    const std::string id = m_store.issueId(LibraryStore::IdKind::Access);
    if (id.empty())
        return error(500, "cannot store the access ID");
    return {200, id + "\r\n"};
}

Reply LibraryService::songId()
{
    const std::string id = m_store.issueId(LibraryStore::IdKind::Song);
    if (id.empty())
        return error(500, "cannot store the song ID");
    return {200, id + "\r\n"};
}

Reply LibraryService::hide(std::string_view query)
{
    // Clients encode an "&" inside a value, so the raw "&"s are the splits;
    // older clients sent the URLs raw, "&"s of their own included: every raw
    // "&" is tried until one splits the argument into a stored home page and
    // its stored media location.
    bool all = false;
    if (query.size() >= 4 && query.substr(query.size() - 4) == "&All") {
        all = true;
        query.remove_suffix(4);
    }
    const auto decoded = [](std::string_view raw) { return fromClientBytes(percentDecode(raw)); };
    for (size_t amp = query.find('&'); amp != std::string_view::npos; amp = query.find('&', amp + 1)) {
        const auto outcome = m_store.hide(decoded(query.substr(0, amp)),
                                          Catalog::storedLocation(decoded(query.substr(amp + 1))), all);
        if (outcome == LibraryStore::Outcome::NotFound)
            continue;
        if (outcome != LibraryStore::Outcome::Done)
            return error(500, "cannot store the change");
        return {200, "OK\r\n"};
    }
    return error(404, "no such entry");
}

Reply LibraryService::noFile(std::string_view query)
{
    const std::string key = fromClientBytes(percentDecode(query));
    switch (m_store.markMissing(key)) {
    case LibraryStore::Outcome::Done:
        return {200, "OK\r\n"};
    case LibraryStore::Outcome::NotFound:
        // A location of our own media may come with whatever host the client saw.
        if (const std::string stored = Catalog::storedLocation(key); stored != key
            && m_store.markMissing(stored) == LibraryStore::Outcome::Done)
            return {200, "OK\r\n"};
        return error(404, "no such entry");
    default:
        return error(500, "cannot store the change");
    }
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
    const std::optional<std::string> songId = m_store.songIdByPrefix(std::string(token.substr(0, 8)));
    if (!songId)
        return error(404, "unknown song");
    if (!tokenValid(*songId, token, data))
        return error(403, "invalid token");
    switch (m_store.addPlay(*songId, weekOfDay(today()))) {
    case LibraryStore::Outcome::Done:
        return {200, "OK\r\n"};
    case LibraryStore::Outcome::NotFound:
        return error(404, "unknown song");
    default:
        return error(500, "cannot store the play");
    }
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

    const std::optional<std::string> accessId = m_store.accessIdByPrefix(std::string(token.substr(0, 8)));
    if (!accessId)
        return error(404, "unknown access ID");
    if (!tokenValid(*accessId, token, file))
        return error(403, "invalid token");
    if (hasControlBytes(file))
        return error(400, "control characters in the song list");

    IniFile list{QString()};
    list.loadBytes(QByteArray(file.data(), qsizetype(file.size())));
    std::vector<Song> songs;
    std::unordered_set<std::string> seen;
    const int64_t now = nowSeconds();
    for (const QString &section : list.sectionNames()) {
        const std::string id = section.toStdString();
        if (!seen.insert(id).second)
            continue;
        Song s;
        s.id = id;
        s.owner = *accessId;
        s.title = list.readString(section, u"Title").toStdString();
        s.artist = list.readString(section, u"Artist").toStdString();
        s.genre = list.readString(section, u"Genre").toStdString();
        s.media = list.readString(section, u"MP3").toStdString();
        s.home = list.readString(section, u"Home").toStdString();
        s.kind = kindOfLocation(s.media);
        s.isPublic = list.readInteger(section, u"Open", 1) > 0;
        s.added = now;
        for (const std::string *text : {&s.title, &s.artist, &s.genre})
            if (utf8Characters(*text) > kMaxSearchedCharacters)
                return error(400, "a title, artist or genre is longer than " + std::to_string(kMaxSearchedCharacters)
                                      + " characters");
        songs.push_back(std::move(s));
    }
    std::string refused;
    switch (m_store.replaceSongsOf(*accessId, std::move(songs), refused)) {
    case LibraryStore::Outcome::Done:
        return {200, "OK\r\n"};
    case LibraryStore::Outcome::Refused:
        return error(403, "song ID " + refused + " is not yours");
    default:
        return error(500, "cannot store the song list");
    }
}

Reply LibraryService::topPage(const std::string &hostPort)
{
    std::string links;
    for (Kind kind : {Kind::Mp3, Kind::Wav, Kind::Mid, Kind::Mpg}) {
        links += std::string("<h2>") + kindName(kind) + "</h2>\n<ul>\n";
        for (const Song &s : m_store.newest(kind, 100)) {
            const std::string where = s.media.rfind('/', 0) == 0 ? "http://" + hostPort + s.media : s.media;
            links += "<li><a href=\"" + htmlEscape(where) + "\">" + htmlEscape(s.title) + "</a> - "
                + htmlEscape(s.artist) + "</li>\n";
        }
        links += "</ul>\n";
    }
    Reply r;
    r.contentType = "text/html; charset=UTF-8";
    r.body = "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"UTF-8\"><title>Kalvuno 新着曲</title></head>\n"
             "<body>\n<h1>Kalvuno 新着曲</h1>\n"
        + links + "</body></html>\n";
    return r;
}

} // namespace kalvuno::server
