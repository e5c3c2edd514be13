#include "PgSearch.h"

#include "GramIndex.h"
#include "ServiceClock.h"

#include <algorithm>
#include <unordered_map>

namespace kalvuno::server {

namespace {

constexpr auto kRememberCommonness = std::chrono::seconds(10);
constexpr size_t kRememberedGrams = 10000;

// Characters of a valid UTF-8 text; 0 when it is not valid.
size_t characters(const std::string &text)
{
    std::vector<uint32_t> chars;
    return decodeUtf8(text, chars) ? chars.size() : 0;
}

// A bigint array literal: '{1,2}'.
std::string integerArray(std::vector<int64_t>::const_iterator begin, std::vector<int64_t>::const_iterator end)
{
    std::string out = "{";
    for (auto it = begin; it != end; ++it)
        out += (it == begin ? "" : ",") + std::to_string(*it);
    return out + "}";
}

class Params
{
public:
    std::string add(std::string value)
    {
        m_values.push_back(std::move(value));
        return "$" + std::to_string(m_values.size());
    }
    const std::vector<std::optional<std::string>> &values() const { return m_values; }

private:
    std::vector<std::optional<std::string>> m_values;
};

// What the filters make of a search.
struct Conditions
{
    std::string where;  // for the orders' index walks: rare short filters read whole
    std::string checks; // every condition checked song by song
    // The songs of the rarest short filter when one is rare and its songs
    // were read (random order only): every match is among them.
    std::optional<std::vector<int64_t>> candidates;
    bool trigrams = false;  // a filter of three or more characters, or a cut one
    bool rare = false;      // a short filter that few songs match
    bool failed = false;
};

Conditions conditionsOf(PgConnection &db, const SearchRequest &r, const PgSearchContext &c, Params &params)
{
    Conditions out;
    std::string base = "s.kind = " + params.add(std::to_string(int(r.kind))) + "::smallint AND s.visible";
    if (!r.web)
        base += " AND NOT s.web";
    else if (!r.library)
        base += " AND s.web";
    out.where = out.checks = base;
    const std::pair<int, const std::string *> fields[] = {{0, &r.artist}, {1, &r.title}, {2, &r.genre}};
    const char *const columns[] = {"s.artist_f", "s.title_f", "s.genre_f"};
    const std::string many = std::to_string(c.manyMatches);
    for (const auto &[field, query] : fields) {
        if (query->empty())
            continue;
        const size_t n = characters(*query);
        if (n == 0) {
            // Not valid UTF-8 (a cut character): matched byte by byte, as
            // the database refuses such a text. Only a scan can answer it.
            std::string hex = "\\x";
            for (unsigned char b : *query) {
                hex += "0123456789abcdef"[b >> 4];
                hex += "0123456789abcdef"[b & 15];
            }
            const std::string bytes = std::string(" AND position(") + params.add(hex) + "::bytea in convert_to("
                + columns[field] + ", 'UTF8')) > 0";
            out.where += bytes;
            out.checks += bytes;
            out.trigrams = true;
            continue;
        }
        if (n > 2) {
            out.trigrams = true;
            const std::string like = std::string(" AND ") + columns[field] + " LIKE "
                + params.add("%" + likeEscape(*query) + "%");
            out.where += like;
            out.checks += like;
            continue;
        }
        // Too short for trigrams: the table of one and two characters. A
        // common one is best checked song by song along the order's index
        // (the search stops after a few songs); a rare one is best read whole.
        std::optional<bool> common = c.commonness->lookup(field, *query);
        const std::vector<std::optional<std::string>> gramParams = {std::to_string(field), *query, many};
        if (r.order == SearchRequest::Order::Random && common != true) {
            PgResult seqs = db.execPrepared("SELECT seq FROM song_grams WHERE field = $1::smallint AND gram = $2"
                                            " LIMIT $3::bigint + 1",
                                            gramParams);
            if (!seqs.ok()) {
                out.failed = true;
                return out;
            }
            common = seqs.rows() > c.manyMatches;
            if (!*common && (!out.candidates || size_t(seqs.rows()) < out.candidates->size())) {
                out.candidates.emplace();
                for (int i = 0; i < seqs.rows(); ++i)
                    out.candidates->push_back(seqs.integer(i, 0));
            }
        } else if (!common) {
            PgResult count = db.execPrepared("SELECT count(*) > $3::bigint FROM (SELECT 1 FROM song_grams WHERE"
                                             " field = $1::smallint AND gram = $2 LIMIT $3::bigint + 1) AS m",
                                             gramParams);
            if (!count.ok()) {
                out.failed = true;
                return out;
            }
            common = count.boolean(0, 0);
        }
        c.commonness->remember(field, *query, *common);
        const std::string gram = "g.field = " + std::to_string(field) + " AND g.gram = " + params.add(*query);
        // OFFSET 0 keeps it a check per song.
        const std::string check
            = " AND EXISTS (SELECT 1 FROM song_grams g WHERE " + gram + " AND g.seq = s.seq OFFSET 0)";
        out.checks += check;
        out.rare = out.rare || !*common;
        out.where += *common ? check : " AND s.seq IN (SELECT g.seq FROM song_grams g WHERE " + gram + ")";
    }
    return out;
}

std::optional<std::vector<PgSongRow>> rows(const PgResult &found, int32_t week)
{
    if (!found.ok())
        return std::nullopt;
    std::vector<PgSongRow> out;
    for (int i = 0; i < found.rows(); ++i)
        out.push_back(readPgSongRow(found, i, week, found.columns() - 1));
    return out;
}

// A random choice among the candidates: shuffled, then read in growing
// batches until enough of them match.
std::optional<std::vector<PgSongRow>> drawFromCandidates(PgConnection &db, std::vector<int64_t> candidates,
                                                         const std::string &checks, Params params, size_t max,
                                                         int32_t week)
{
    std::shuffle(candidates.begin(), candidates.end(), threadRandom());
    const std::string weekParam = params.add(std::to_string(week));
    const std::string batchParam = params.add({});
    const std::string sql = std::string("SELECT ") + kPgSongColumns + ", " + pgRanksColumn(weekParam)
        + " FROM songs s WHERE s.seq = ANY(" + batchParam + "::bigint[]) AND " + checks;
    std::vector<std::optional<std::string>> values = params.values();
    std::vector<PgSongRow> chosen;
    size_t batch = 2 * max + 4;
    for (size_t next = 0; chosen.size() < max && next < candidates.size(); batch *= 4) {
        const size_t end = std::min(candidates.size(), next + batch);
        values.back() = integerArray(candidates.begin() + ptrdiff_t(next), candidates.begin() + ptrdiff_t(end));
        std::optional<std::vector<PgSongRow>> found = rows(db.execPrepared(sql, values), week);
        if (!found)
            return std::nullopt;
        // In the shuffled order, so that the first max are a fair draw.
        std::unordered_map<int64_t, PgSongRow *> bySeq;
        for (PgSongRow &row : *found)
            bySeq[row.seq] = &row;
        for (size_t i = next; i < end && chosen.size() < max; ++i)
            if (const auto it = bySeq.find(candidates[i]); it != bySeq.end())
                chosen.push_back(std::move(*it->second));
        next = end;
    }
    return chosen;
}

} // namespace

std::optional<bool> GramCommonness::lookup(int field, const std::string &gram)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_known.find(std::to_string(field) + gram);
    if (it == m_known.end() || std::chrono::steady_clock::now() - it->second.second > kRememberCommonness)
        return std::nullopt;
    return it->second.first;
}

void GramCommonness::remember(int field, const std::string &gram, bool common)
{
    std::lock_guard lock(m_mutex);
    if (m_known.size() >= kRememberedGrams)
        m_known.clear();
    m_known[std::to_string(field) + gram] = {common, std::chrono::steady_clock::now()};
}

std::optional<std::vector<PgSongRow>> pgSearch(PgConnection &db, const SearchRequest &r, const PgSearchContext &c)
{
    const size_t max = size_t(std::clamp(r.max, 0, 100));
    Params params;
    Conditions cond = conditionsOf(db, r, c, params);
    if (cond.failed)
        return std::nullopt;
    if (r.order == SearchRequest::Order::Random && cond.candidates)
        return drawFromCandidates(db, std::move(*cond.candidates), cond.checks, params, max, c.week);
    // Many matches: random points on the songs' random numbers, each taking
    // the next match, are a few index look-ups. Few matches are cheaper to
    // take all and shuffle.
    bool sampled = r.order == SearchRequest::Order::Random && !cond.rare;
    if (sampled && cond.trigrams) {
        const std::string many = std::to_string(c.manyMatches);
        PgResult count = db.exec("SELECT count(*) >= " + many + " FROM (SELECT 1 FROM songs s WHERE " + cond.where
                                     + " LIMIT " + many + ") AS m",
                                 params.values());
        sampled = count.ok() && count.boolean(0, 0);
    }
    const std::string columns = std::string(kPgSongColumns) + ", " + pgRanksColumn(params.add(std::to_string(c.week)));
    // A plan made for some values is good for all others unless it hangs on
    // how many songs a filter matches.
    const bool samePlanForAll = !cond.trigrams && !cond.rare;
    // Every statement gets its own copy of the values, as each uses them all.
    const auto run = [&](const std::string &sql, const Params &values) {
        return rows(samePlanForAll ? db.execPrepared(sql, values.values()) : db.exec(sql, values.values()), c.week);
    };
    const auto withLimit = [&](Params &values) { return " LIMIT " + values.add(std::to_string(max)) + "::integer"; };
    Params values = params;
    switch (r.order) {
    case SearchRequest::Order::New:
        return run("SELECT " + columns + " FROM songs s WHERE " + cond.where + " ORDER BY s.added DESC, s.web, s.seq"
                       + withLimit(values),
                   values);
    case SearchRequest::Order::Rank: {
        const std::string week = values.add(std::to_string(c.week - r.weeksAgo));
        // Along the week's plays, as the places are worked out.
        return run("SELECT " + columns + " FROM weekly_plays r JOIN songs s ON s.seq = r.seq WHERE r.week = " + week
                       + "::integer AND r.plays > 0 AND " + cond.where
                       + " ORDER BY r.plays DESC, r.added DESC, r.seq" + withLimit(values),
                   values);
    }
    case SearchRequest::Order::Random:
        break;
    }
    std::optional<std::vector<PgSongRow>> found;
    if (sampled) {
        std::string points = "{";
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        for (size_t k = 0; k < 2 * max + 4; ++k)
            points += (k ? "," : "") + std::to_string(uniform(threadRandom()));
        // Chosen first, places looked up after: only for the songs answered.
        const std::string sample = "SELECT DISTINCT ON (s.seq) s.* FROM unnest(" + values.add(points + "}")
            + "::float8[]) AS p(v) CROSS JOIN LATERAL (SELECT * FROM songs s WHERE " + cond.where
            + " AND s.rnd >= p.v ORDER BY s.rnd LIMIT 1) AS s";
        found = run("SELECT " + columns + " FROM (" + sample + ") AS s ORDER BY random()" + withLimit(values), values);
    }
    if (!sampled || (found && found->size() < max)) { // the points fell close together: take the matches at random
        values = params;
        found = run("SELECT " + columns + " FROM songs s WHERE " + cond.where + " ORDER BY random()" + withLimit(values),
                    values);
    }
    if (found) {
        std::shuffle(found->begin(), found->end(), threadRandom());
        found->resize(std::min(found->size(), max));
    }
    return found;
}

} // namespace kalvuno::server
