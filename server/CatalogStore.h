#pragma once

#include "LibraryStore.h"
#include "Song.h"

#include <string>
#include <vector>

struct sqlite3;

namespace kalvuno::server {

// The catalog on disk: an SQLite database in WAL mode. Every change is one
// transaction; values always go in as bound parameters.
class CatalogStore : public SongWriter
{
public:
    CatalogStore() = default;
    ~CatalogStore() override;
    CatalogStore(const CatalogStore &) = delete;
    CatalogStore &operator=(const CatalogStore &) = delete;

    // Opens (creating when missing) the database; false with the reason in error().
    bool open(const std::string &path);
    const std::string &error() const { return m_error; }

    std::vector<Song> loadSongs();
    // Every ID handed out so far (songs, access IDs, song IDs), for uniqueness.
    std::vector<std::string> loadIssuedIds();
    bool isAccessId(const std::string &id);
    // The access ID that owns a song ID ("" when it was issued but not yet
    // uploaded); false when the song ID was never issued.
    bool songIdOwner(const std::string &songId, std::string &owner);

    bool insertSongs(const std::vector<Song> &songs) override;
    bool addPlay(const std::string &key, int32_t week);
    bool setHidden(const std::string &key);
    bool setMissing(const std::string &key);
    bool addAccessId(const std::string &id);
    bool addSongId(const std::string &id);
    // Replaces the owner's songs and claims their song IDs, in one transaction.
    bool replaceSongsOf(const std::string &owner, const std::vector<Song> &songs);

private:
    bool exec(const char *sql);
    // One statement with one text parameter.
    bool runWith(const char *sql, const std::string &value);
    bool insertSong(const Song &song);

    sqlite3 *m_db = nullptr;
    std::string m_error;
};

// The key a song is stored under: its library ID, or the location of a web entry.
std::string storeKey(const Song &song);

} // namespace kalvuno::server
