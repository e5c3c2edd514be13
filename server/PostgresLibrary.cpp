#include "PostgresLibrary.h"

#include "AnswerEntry.h"
#include "CatalogStore.h"
#include "Cp932.h"
#include "PgSchema.h"
#include "PgSearch.h"
#include "PgSongRow.h"
#include "RequestToken.h"
#include "ServiceClock.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kalvuno::server {

namespace {

// Only one process works the ranks out at a time.
constexpr const char *kRankLock = "7418230462";
constexpr auto kRankRefreshPeriod = std::chrono::milliseconds(200);
// Places a week keeps: an answer shows any later one as 255.
constexpr int kPlacesKept = 255;
// A filter matches many songs from this many on, or from one in this many
// songs of the catalog: a random search then samples instead of shuffling all.
constexpr int64_t kManyMatches = 2000;
constexpr int64_t kManyMatchesShare = 50;

// A text array literal: '{"a","b"}'.
std::string textArray(const std::vector<std::string> &values)
{
    std::string out = "{";
    for (const std::string &v : values) {
        if (out.size() > 1)
            out += ',';
        out += '"';
        for (char c : v) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "}";
}

// A field of PostgreSQL's COPY text format.
void appendCopyField(std::string &out, const std::string &value)
{
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string copyRow(const std::vector<std::string> &fields)
{
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += '\t';
        appendCopyField(out, fields[i]);
    }
    return out + '\n';
}

const char *flag(bool b) { return b ? "t" : "f"; }

class Transaction
{
public:
    explicit Transaction(PgConnection &db) : m_db(db) { m_open = m_db.exec("BEGIN").ok(); }
    ~Transaction()
    {
        if (m_open)
            m_db.exec("ROLLBACK");
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool open() const { return m_open; }
    bool commit()
    {
        m_open = false;
        return m_db.exec("COMMIT").ok();
    }

private:
    PgConnection &m_db;
    bool m_open = false;
};

} // namespace

size_t PostgresLibrary::defaultConnections() { return std::max(2u, std::thread::hardware_concurrency()); }

PostgresLibrary::PostgresLibrary(const std::string &conninfo, Options options) : m_options(std::move(options))
{
    m_pool = std::make_unique<PgPool>(conninfo, std::max<size_t>(1, m_options.connections));
    if (!m_pool->ok()) {
        m_error = m_pool->error();
        return;
    }
    {
        auto db = m_pool->take();
        if (!migratePgSchema(*db, m_error))
            return;
    }
    refreshRanks();
    estimateSongs();
    m_refresher = std::thread([this] { refreshLoop(); });
}

PostgresLibrary::~PostgresLibrary()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopNow.notify_all();
    if (m_refresher.joinable())
        m_refresher.join();
}

int32_t PostgresLibrary::week() const { return weekOfDay(m_options.today ? m_options.today() : todayDayNumber()); }

void PostgresLibrary::refreshLoop()
{
    std::unique_lock lock(m_stopMutex);
    while (!m_stopNow.wait_for(lock, kRankRefreshPeriod, [this] { return m_stopping; })) {
        lock.unlock();
        refreshRanks();
        estimateSongs();
        lock.lock();
    }
}

void PostgresLibrary::estimateSongs()
{
    auto db = m_pool->take();
    PgResult r = db->exec("SELECT greatest(reltuples, 0)::bigint FROM pg_class WHERE oid = 'songs'::regclass");
    if (r.ok() && r.rows() == 1)
        m_songEstimate = r.integer(0, 0);
}

int64_t PostgresLibrary::manyMatches() const
{
    return m_options.manyMatches > 0 ? m_options.manyMatches : std::max(kManyMatches, m_songEstimate / kManyMatchesShare);
}

bool PostgresLibrary::refreshRanks()
{
    auto db = m_pool->take();
    Transaction t(*db);
    PgResult mine = db->exec("SELECT pg_try_advisory_xact_lock(" + std::string(kRankLock) + ")");
    if (!t.open() || !mine.ok() || !mine.boolean(0, 0))
        return mine.ok(); // another process is at it
    // Read the counters first: changes that come in while this runs start the next round.
    PgResult state = db->exec("SELECT week, plays_seen, catalog_seen,"
                              " (SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM play_counter),"
                              " (SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM catalog_counter)"
                              " FROM rank_state");
    if (!state.ok() || state.rows() != 1)
        return false;
    const int32_t current = week();
    const int64_t plays = state.integer(0, 3);
    const int64_t catalog = state.integer(0, 4);
    const bool sameWeek = state.integer(0, 0) == current;
    if (sameWeek && state.integer(0, 1) == plays && state.integer(0, 2) == catalog)
        return true;
    // Plays only ever go to this week: its ranks alone change. A new week or
    // songs that came or went move them all.
    const int32_t first = sameWeek && state.integer(0, 2) == catalog ? current : current - (kRankWeeks - 1);
    const std::vector<std::optional<std::string>> weeks = {std::to_string(first), std::to_string(current)};
    const bool done
        = db->exec("DELETE FROM ranks WHERE week BETWEEN $1::integer AND $2::integer OR week < $2::integer - 7"
                   " OR week > $2::integer",
                   weeks)
              .ok()
        && db->exec("INSERT INTO ranks(week, place, seq)"
                    " SELECT k.week, row_number() OVER (PARTITION BY k.week ORDER BY t.plays DESC, t.added DESC, t.seq),"
                    " t.seq FROM generate_series($1::integer, $2::integer) AS k(week)"
                    " CROSS JOIN LATERAL (SELECT w.seq, w.plays, w.added FROM weekly_plays w"
                    " WHERE w.week = k.week AND w.plays > 0 ORDER BY w.plays DESC, w.added DESC, w.seq"
                    " LIMIT " + std::to_string(kPlacesKept) + ") AS t",
                    weeks)
               .ok()
        && db->exec("UPDATE rank_state SET week = $1, plays_seen = $2, catalog_seen = $3",
                    {std::to_string(current), std::to_string(plays), std::to_string(catalog)})
               .ok();
    return done && t.commit();
}

bool PostgresLibrary::insertSongs(const std::vector<Song> &songs)
{
    auto db = m_pool->take();
    Transaction t(*db);
    std::string rows;
    std::string plays;
    for (const Song &s : songs) {
        rows += copyRow({storeKey(s), s.id, s.owner, s.title, s.artist, s.genre, s.media, s.home,
                         std::to_string(int(s.kind)), flag(s.web), flag(s.isPublic), flag(s.hidden), flag(s.missing),
                         std::to_string(s.added), std::to_string(s.plays)});
        for (const auto &[w, n] : s.weeklyPlays)
            plays += copyRow({storeKey(s), std::to_string(w), std::to_string(n)});
    }
    const char *columns = "key, id, owner, title, artist, genre, media, home, kind, web, public, hidden, missing,"
                          " added, plays";
    return t.open()
        && db->exec("CREATE TEMPORARY TABLE incoming_songs ON COMMIT DROP AS SELECT " + std::string(columns)
                    + " FROM songs WITH NO DATA")
               .ok()
        && db->copyIn("incoming_songs(" + std::string(columns) + ")", rows)
        && db->exec("INSERT INTO songs(" + std::string(columns) + ") SELECT " + columns + " FROM incoming_songs").ok()
        && db->exec("INSERT INTO ids(prefix, id, kind) SELECT left(id, 8), id, 2 FROM incoming_songs WHERE id <> ''"
                    " ON CONFLICT DO NOTHING")
               .ok()
        && db->exec("CREATE TEMPORARY TABLE incoming_plays(key text, week integer, plays bigint) ON COMMIT DROP").ok()
        && db->copyIn("incoming_plays(key, week, plays)", plays)
        && db->exec("INSERT INTO weekly_plays(seq, week, plays, added) SELECT s.seq, i.week, i.plays, s.added"
                    " FROM incoming_plays i JOIN songs s ON s.key = i.key")
               .ok()
        && db->exec("SELECT nextval('catalog_counter')").ok() && t.commit()
        && db->exec("ANALYZE songs; ANALYZE song_grams; ANALYZE weekly_plays").ok();
}

bool PostgresLibrary::isEmpty()
{
    auto db = m_pool->take();
    PgResult r = db->exec("SELECT NOT EXISTS (SELECT 1 FROM songs)");
    return r.ok() && r.boolean(0, 0);
}

size_t PostgresLibrary::songCount()
{
    auto db = m_pool->take();
    PgResult r = db->exec("SELECT count(*) FROM songs");
    return r.ok() ? size_t(r.integer(0, 0)) : 0;
}

std::optional<std::string> PostgresLibrary::search(const SearchRequest &r, const std::string &hostPort)
{
    const bool noRankWeek = r.order == SearchRequest::Order::Rank && (r.weeksAgo < 0 || r.weeksAgo >= kRankWeeks);
    if (r.max <= 0 || (!r.library && !r.web) || noRankWeek)
        return std::string();
    std::optional<std::vector<PgSongRow>> found;
    {
        auto db = m_pool->take();
        found = pgSearch(*db, r, {week(), manyMatches(), &m_commonness});
    }
    if (!found)
        return std::nullopt;
    std::string out;
    for (const PgSongRow &row : *found) {
        uint8_t ranks[kAnsweredRanks] = {};
        std::copy(row.ranks.begin(), row.ranks.end(), ranks);
        const Song &s = row.song;
        if (!appendAnswerEntry(out, answerEntry(s, answerHead(s), toCp932(s.home), ranks, hostPort)))
            break;
    }
    return out;
}

std::vector<Song> PostgresLibrary::newest(Kind kind, int max)
{
    auto db = m_pool->take();
    PgResult r = db->exec(std::string("SELECT ") + kPgSongColumns
                              + " FROM songs s WHERE s.kind = $1::smallint AND s.visible AND NOT s.web"
                                " ORDER BY s.added DESC, s.web, s.seq LIMIT $2::integer",
                          {std::to_string(int(kind)), std::to_string(max)});
    std::vector<Song> songs;
    for (int i = 0; r.ok() && i < r.rows(); ++i)
        songs.push_back(readPgSongRow(r, i, 0).song);
    return songs;
}

std::string PostgresLibrary::issueId(IdKind kind)
{
    auto db = m_pool->take();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string id = randomId();
        PgResult r = db->exec("INSERT INTO ids(prefix, id, kind) VALUES ($1, $2, $3::smallint) ON CONFLICT DO NOTHING",
                              {id.substr(0, 8), id, kind == IdKind::Access ? "0" : "1"});
        if (!r.ok())
            return {};
        if (r.affected() == 1)
            return id;
    }
    return {};
}

std::optional<std::string> PostgresLibrary::accessIdByPrefix(const std::string &prefix)
{
    auto db = m_pool->take();
    PgResult r = db->exec("SELECT id FROM ids WHERE prefix = $1 AND kind = 0", {prefix});
    return r.ok() && r.rows() ? std::optional(r.text(0, 0)) : std::nullopt;
}

std::optional<std::string> PostgresLibrary::songIdByPrefix(const std::string &prefix)
{
    auto db = m_pool->take();
    PgResult r = db->exec("SELECT id FROM songs WHERE left(id, 8) = $1 AND id <> '' LIMIT 1", {prefix});
    return r.ok() && r.rows() ? std::optional(r.text(0, 0)) : std::nullopt;
}

LibraryStore::Outcome PostgresLibrary::hide(const std::string &home, const std::string &media, bool all)
{
    auto db = m_pool->take();
    PgResult r = db->exec("UPDATE songs SET hidden = true WHERE home = $1 AND (media = $2 OR ($3::boolean AND EXISTS"
                          " (SELECT 1 FROM songs x WHERE x.home = $1 AND x.media = $2)))",
                          {home, media, flag(all)});
    return !r.ok() ? Outcome::Failed : r.affected() ? Outcome::Done : Outcome::NotFound;
}

LibraryStore::Outcome PostgresLibrary::markMissing(const std::string &key)
{
    auto db = m_pool->take();
    PgResult r = db->exec("UPDATE songs SET missing = true WHERE key = $1", {key});
    return !r.ok() ? Outcome::Failed : r.affected() ? Outcome::Done : Outcome::NotFound;
}

LibraryStore::Outcome PostgresLibrary::addPlay(const std::string &songId, int32_t playWeek)
{
    auto db = m_pool->take();
    // One statement: the song's count and its week's count move together.
    PgResult r = db->exec("WITH s AS (UPDATE songs SET plays = plays + 1 WHERE key = $1 AND NOT web RETURNING seq)"
                          " INSERT INTO weekly_plays(seq, week, plays) SELECT seq, $2::integer, 1 FROM s"
                          " ON CONFLICT (seq, week) DO UPDATE SET plays = weekly_plays.plays + 1"
                          " RETURNING nextval('play_counter')",
                          {songId, std::to_string(playWeek)});
    return !r.ok() ? Outcome::Failed : r.rows() ? Outcome::Done : Outcome::NotFound;
}

LibraryStore::Outcome PostgresLibrary::replaceSongsOf(const std::string &owner, std::vector<Song> songs,
                                                      std::string &refusedId)
{
    auto db = m_pool->take();
    Transaction t(*db);
    std::vector<std::string> ids;
    for (const Song &s : songs)
        ids.push_back(s.id);
    // Uploads of one owner take turns; the song IDs are locked until the end.
    if (!t.open() || !db->exec("SELECT pg_advisory_xact_lock(hashtext($1))", {owner}).ok())
        return Outcome::Failed;
    PgResult issued = db->exec("SELECT id, owner FROM ids WHERE kind = 1 AND id = ANY($1::text[]) FOR UPDATE",
                               {textArray(ids)});
    if (!issued.ok())
        return Outcome::Failed;
    std::unordered_map<std::string, std::string> ownerOf;
    for (int i = 0; i < issued.rows(); ++i)
        ownerOf[issued.text(i, 0)] = issued.text(i, 1);
    for (const Song &s : songs)
        if (const auto it = ownerOf.find(s.id); it == ownerOf.end() || (!it->second.empty() && it->second != owner)) {
            refusedId = s.id;
            return Outcome::Refused;
        }
    PgResult before = db->exec(std::string("SELECT ") + kPgSongColumns + " FROM songs s WHERE s.owner = $1", {owner});
    PgResult beforePlays = db->exec("SELECT s.id, w.week, w.plays FROM weekly_plays w JOIN songs s ON s.seq = w.seq"
                                    " WHERE s.owner = $1",
                                    {owner});
    if (!before.ok() || !beforePlays.ok())
        return Outcome::Failed;
    std::vector<Song> earlier;
    std::unordered_map<std::string, size_t> earlierById;
    for (int i = 0; i < before.rows(); ++i) {
        earlier.push_back(readPgSongRow(before, i, 0).song);
        earlierById[earlier.back().id] = earlier.size() - 1;
    }
    for (int i = 0; i < beforePlays.rows(); ++i)
        earlier[earlierById[beforePlays.text(i, 0)]].weeklyPlays[int32_t(beforePlays.integer(i, 1))]
            = beforePlays.integer(i, 2);
    keepEarlierState(songs, earlier);
    if (!db->exec("DELETE FROM songs WHERE owner = $1", {owner}).ok()
        || !db->exec("UPDATE ids SET owner = $1 WHERE kind = 1 AND id = ANY($2::text[])", {owner, textArray(ids)}).ok())
        return Outcome::Failed;
    for (const Song &s : songs) {
        PgResult added = db->exec("INSERT INTO songs(key, id, owner, title, artist, genre, media, home, kind, web,"
                                  " public, hidden, missing, added, plays) VALUES ($1, $2, $3, $4, $5, $6, $7, $8,"
                                  " $9::smallint, $10::boolean, $11::boolean, $12::boolean, $13::boolean, $14::bigint,"
                                  " $15::bigint) RETURNING seq",
                                  {storeKey(s), s.id, s.owner, s.title, s.artist, s.genre, s.media, s.home,
                                   std::to_string(int(s.kind)), flag(s.web), flag(s.isPublic), flag(s.hidden),
                                   flag(s.missing), std::to_string(s.added), std::to_string(s.plays)});
        if (!added.ok() || added.rows() != 1)
            return Outcome::Failed;
        for (const auto &[w, n] : s.weeklyPlays)
            if (!db->exec("INSERT INTO weekly_plays(seq, week, plays) VALUES ($1::bigint, $2::integer, $3::bigint)",
                          {added.text(0, 0), std::to_string(w), std::to_string(n)})
                     .ok())
                return Outcome::Failed;
    }
    // The songs have new rows: ranks are worked out again.
    if (!db->exec("SELECT nextval('catalog_counter')").ok())
        return Outcome::Failed;
    return t.commit() ? Outcome::Done : Outcome::Failed;
}

} // namespace kalvuno::server
