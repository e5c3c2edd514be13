#include "CatalogStore.h"

#include <sqlite3.h>
#include <unordered_map>

namespace kalvuno::server {

namespace {

// A prepared statement that finalises itself.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    bool ok() const { return m_stmt != nullptr; }
    Statement &bind(int i, const std::string &v)
    {
        sqlite3_bind_text(m_stmt, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(int i, int64_t v)
    {
        sqlite3_bind_int64(m_stmt, i, v);
        return *this;
    }
    bool step() { return m_stmt && sqlite3_step(m_stmt) == SQLITE_ROW; }
    bool run() { return m_stmt && sqlite3_step(m_stmt) == SQLITE_DONE; }
    std::string text(int col) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return p ? std::string(p, size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
    }
    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

const char *kSchema = R"(
CREATE TABLE IF NOT EXISTS songs(
  key TEXT PRIMARY KEY,
  id TEXT NOT NULL,
  owner TEXT NOT NULL,
  title TEXT NOT NULL, artist TEXT NOT NULL, genre TEXT NOT NULL,
  media TEXT NOT NULL, home TEXT NOT NULL,
  kind TEXT NOT NULL, web INTEGER NOT NULL, public INTEGER NOT NULL,
  hidden INTEGER NOT NULL DEFAULT 0, missing INTEGER NOT NULL DEFAULT 0,
  added INTEGER NOT NULL, plays INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS songs_owner ON songs(owner);
CREATE TABLE IF NOT EXISTS weekly_plays(
  key TEXT NOT NULL, week INTEGER NOT NULL, plays INTEGER NOT NULL,
  PRIMARY KEY(key, week));
CREATE TABLE IF NOT EXISTS access_ids(id TEXT PRIMARY KEY);
CREATE TABLE IF NOT EXISTS song_ids(id TEXT PRIMARY KEY, owner TEXT NOT NULL DEFAULT '');
)";

} // namespace

std::string storeKey(const Song &song) { return song.web ? song.media : song.id; }

CatalogStore::~CatalogStore() { sqlite3_close(m_db); }

bool CatalogStore::exec(const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = message ? message : "unknown database error";
    sqlite3_free(message);
    return false;
}

bool CatalogStore::open(const std::string &path)
{
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        m_error = m_db ? sqlite3_errmsg(m_db) : "cannot open the database";
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    return exec("PRAGMA journal_mode=WAL;") && exec("PRAGMA synchronous=NORMAL;") && exec(kSchema);
}

std::vector<Song> CatalogStore::loadSongs()
{
    std::vector<Song> songs;
    std::unordered_map<std::string, size_t> byKey;
    Statement q(m_db, "SELECT key, id, owner, title, artist, genre, media, home, kind, web, public, hidden, missing,"
                      " added, plays FROM songs ORDER BY rowid");
    while (q.step()) {
        Song s;
        s.id = q.text(1);
        s.owner = q.text(2);
        s.title = q.text(3);
        s.artist = q.text(4);
        s.genre = q.text(5);
        s.media = q.text(6);
        s.home = q.text(7);
        kindFromName(q.text(8), s.kind);
        s.web = q.integer(9) != 0;
        s.isPublic = q.integer(10) != 0;
        s.hidden = q.integer(11) != 0;
        s.missing = q.integer(12) != 0;
        s.added = q.integer(13);
        s.plays = q.integer(14);
        byKey.emplace(q.text(0), songs.size());
        songs.push_back(std::move(s));
    }
    Statement w(m_db, "SELECT key, week, plays FROM weekly_plays");
    while (w.step())
        if (const auto it = byKey.find(w.text(0)); it != byKey.end())
            songs[it->second].weeklyPlays[int32_t(w.integer(1))] = w.integer(2);
    return songs;
}

std::vector<std::string> CatalogStore::loadIssuedIds()
{
    std::vector<std::string> ids;
    Statement q(m_db, "SELECT id FROM songs WHERE id <> '' UNION SELECT id FROM access_ids UNION SELECT id FROM song_ids");
    while (q.step())
        ids.push_back(q.text(0));
    return ids;
}

bool CatalogStore::isAccessId(const std::string &id)
{
    Statement q(m_db, "SELECT 1 FROM access_ids WHERE id = ?");
    q.bind(1, id);
    return q.step();
}

bool CatalogStore::songIdOwner(const std::string &songId, std::string &owner)
{
    Statement q(m_db, "SELECT owner FROM song_ids WHERE id = ?");
    q.bind(1, songId);
    if (!q.step())
        return false;
    owner = q.text(0);
    return true;
}

bool CatalogStore::insertSong(const Song &s)
{
    Statement q(m_db, "INSERT OR REPLACE INTO songs(key, id, owner, title, artist, genre, media, home, kind, web,"
                      " public, hidden, missing, added, plays) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    q.bind(1, storeKey(s)).bind(2, s.id).bind(3, s.owner).bind(4, s.title).bind(5, s.artist).bind(6, s.genre);
    q.bind(7, s.media).bind(8, s.home).bind(9, std::string(kindName(s.kind))).bind(10, int64_t(s.web));
    q.bind(11, int64_t(s.isPublic)).bind(12, int64_t(s.hidden)).bind(13, int64_t(s.missing)).bind(14, s.added);
    q.bind(15, s.plays);
    if (!q.run())
        return false;
    for (const auto &[week, plays] : s.weeklyPlays) {
        Statement w(m_db, "INSERT OR REPLACE INTO weekly_plays(key, week, plays) VALUES(?,?,?)");
        w.bind(1, storeKey(s)).bind(2, int64_t(week)).bind(3, plays);
        if (!w.run())
            return false;
    }
    return true;
}

bool CatalogStore::insertSongs(const std::vector<Song> &songs)
{
    if (!exec("BEGIN"))
        return false;
    for (const Song &s : songs)
        if (!insertSong(s)) {
            exec("ROLLBACK");
            return false;
        }
    return exec("COMMIT");
}

bool CatalogStore::addPlay(const std::string &key, int32_t week)
{
    if (!exec("BEGIN"))
        return false;
    Statement a(m_db, "UPDATE songs SET plays = plays + 1 WHERE key = ?");
    a.bind(1, key);
    Statement b(m_db, "INSERT INTO weekly_plays(key, week, plays) VALUES(?, ?, 1)"
                      " ON CONFLICT(key, week) DO UPDATE SET plays = plays + 1");
    b.bind(1, key).bind(2, int64_t(week));
    if (!a.run() || !b.run()) {
        exec("ROLLBACK");
        return false;
    }
    return exec("COMMIT");
}

bool CatalogStore::runWith(const char *sql, const std::string &value)
{
    Statement q(m_db, sql);
    return q.bind(1, value).run();
}

bool CatalogStore::setHidden(const std::string &key) { return runWith("UPDATE songs SET hidden = 1 WHERE key = ?", key); }

bool CatalogStore::setMissing(const std::string &key) { return runWith("UPDATE songs SET missing = 1 WHERE key = ?", key); }

bool CatalogStore::addAccessId(const std::string &id) { return runWith("INSERT INTO access_ids(id) VALUES(?)", id); }

bool CatalogStore::addSongId(const std::string &id) { return runWith("INSERT INTO song_ids(id) VALUES(?)", id); }

bool CatalogStore::replaceSongsOf(const std::string &owner, const std::vector<Song> &songs)
{
    if (!exec("BEGIN"))
        return false;
    Statement plays(m_db, "DELETE FROM weekly_plays WHERE key IN (SELECT key FROM songs WHERE owner = ?)");
    Statement gone(m_db, "DELETE FROM songs WHERE owner = ?");
    bool ok = plays.bind(1, owner).run() && gone.bind(1, owner).run();
    for (const Song &s : songs) {
        Statement claim(m_db, "UPDATE song_ids SET owner = ? WHERE id = ?");
        ok = ok && claim.bind(1, owner).bind(2, s.id).run() && insertSong(s);
    }
    if (!ok) {
        exec("ROLLBACK");
        return false;
    }
    return exec("COMMIT");
}

} // namespace kalvuno::server
