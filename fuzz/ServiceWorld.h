#pragma once

// The library service in process over a small catalog in an in-memory SQLite
// database (the same store code as on disk, without the disk), with one access
// ID that owns an uploaded song and a second song ID issued to nobody yet.
// A target makes a fresh one whenever an accepted request changed the last.
#include "CatalogStore.h"
#include "FuzzSupport.h"
#include "LibraryService.h"
#include "MemoryLibrary.h"
#include "RequestToken.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kalvuno::fuzz {

inline constexpr int32_t kToday = 46366;
inline constexpr char kHost[] = "127.0.0.1:8563";
// Every public song of each kind, library and web entries, newest first.
inline constexpr const char *kEverything[] = { "Max=100&Sort=New&Open=3&Ext=mp3", "Max=100&Sort=New&Open=3&Ext=wav",
    "Max=100&Sort=New&Open=3&Ext=mid", "Max=100&Sort=New&Open=3&Ext=mpg" };

inline server::Song catalogSong(
    const std::string &id, const std::string &title, const std::string &artist, server::Kind kind, int64_t added)
{
    server::Song s;
    s.id = id;
    s.title = title;
    s.artist = artist;
    s.genre = "Pop";
    s.media = "/kalvuno/media/" + id + "." + server::kindName(kind);
    s.home = "http://example.jp/" + artist + "/";
    s.kind = kind;
    s.added = added;
    return s;
}

// The catalog of the service's tests: visible, hidden, missing, private and web entries, with plays.
inline std::vector<server::Song> testCatalog()
{
    using server::Kind;
    std::vector<server::Song> songs;
    songs.push_back(catalogSong("a000000100000000", "Alpha", "ABC Band", Kind::Mp3, 100));
    songs.push_back(catalogSong("a000000200000000", "夜明けの歌", "山田花子", Kind::Mp3, 300));
    songs.push_back(catalogSong("a000000300000000", "Gamma", "abc band", Kind::Mp3, 200));
    songs.push_back(catalogSong("a000000400000000", "Wave", "ABC Band", Kind::Wav, 400));
    server::Song hidden = catalogSong("a000000500000000", "Hidden", "ABC Band", Kind::Mp3, 500);
    hidden.hidden = true;
    server::Song missing = catalogSong("a000000600000000", "Missing", "ABC Band", Kind::Mp3, 600);
    missing.missing = true;
    server::Song secret = catalogSong("a000000700000000", "Secret", "ABC Band", Kind::Mp3, 700);
    secret.isPublic = false;
    server::Song web = catalogSong("", "Web Song", "Net Singer", Kind::Mp3, 800);
    web.web = true;
    web.media = "http://songs.example.jp/a.mp3?x=1&y=2";
    web.home = "http://songs.example.jp/";
    songs.insert(songs.end(), { hidden, missing, secret, web });
    const int32_t week = server::weekOfDay(kToday);
    songs[2].weeklyPlays[week] = 5;
    songs[0].weeklyPlays[week] = 3;
    songs[1].weeklyPlays[week] = 1;
    songs[0].weeklyPlays[week - 1] = 9;
    return songs;
}

// The body of a song-list upload: token, CR LF, the length in 8 hexadecimal digits, CR LF, the file.
inline std::string uploadBody(const std::string &accessId, const std::string &file, int32_t day)
{
    char length[9];
    std::snprintf(length, sizeof length, "%08X", unsigned(file.size()));
    return makeRequestToken(accessId, file, day) + "\r\n" + length + "\r\n" + file;
}

class ServiceWorld
{
public:
    ServiceWorld()
    {
        FUZZ_CHECK(m_disk.open(":memory:"));
        FUZZ_CHECK(m_disk.insertSongs(testCatalog()));
        m_library = std::make_unique<server::MemoryLibrary>(
            m_disk, server::MemoryLibrary::Options { 0, [] { return kToday; } });
        service = std::make_unique<server::LibraryService>(*m_library, [] { return kToday; });
        accessId = service->accessId().body.substr(0, 16);
        ownSongId = service->songId().body.substr(0, 16);
        freeSongId = service->songId().body.substr(0, 16);
        FUZZ_CHECK(accessId.size() == 16 && ownSongId.size() == 16 && freeSongId.size() == 16);
        const std::string list = "[" + ownSongId + "]\r\nTitle=Mine\r\nArtist=Me\r\nMP3=http://me.example.jp/a.mp3\r\n";
        FUZZ_CHECK(service->sendSongList(uploadBody(accessId, list, kToday)).status == 200);
        initial = everything();
    }

    ~ServiceWorld() { service.reset(); } // before the library it uses
    ServiceWorld(const ServiceWorld &) = delete;
    ServiceWorld &operator=(const ServiceWorld &) = delete;

    // What a refused request must leave as it was.
    std::string everything()
    {
        std::string all;
        for (const char *query : kEverything)
            all += service->search(query, kHost).body;
        return all;
    }

    std::unique_ptr<server::LibraryService> service;
    std::string initial; // everything() as made, the same until an accepted request changes something
    std::string accessId;
    std::string ownSongId;
    std::string freeSongId;

private:
    server::CatalogStore m_disk;
    std::unique_ptr<server::MemoryLibrary> m_library;
};

} // namespace kalvuno::fuzz
