#include "PgSchema.h"

#include <iterator>

namespace kalvuno::server {

namespace {

// Any number of our processes share this advisory lock while they migrate.
constexpr const char *kMigrationLock = "7418230461";

// Migration n brings the schema from version n to n + 1.
const char *const kMigrations[] = {
    R"(
CREATE EXTENSION IF NOT EXISTS pg_trgm;
CREATE TABLE songs(
  seq bigserial PRIMARY KEY,
  key text NOT NULL UNIQUE,
  id text NOT NULL,
  owner text NOT NULL,
  title text NOT NULL, artist text NOT NULL, genre text NOT NULL,
  media text NOT NULL, home text NOT NULL,
  kind smallint NOT NULL, web boolean NOT NULL, public boolean NOT NULL,
  hidden boolean NOT NULL DEFAULT false, missing boolean NOT NULL DEFAULT false,
  added bigint NOT NULL, plays bigint NOT NULL DEFAULT 0,
  rnd double precision NOT NULL DEFAULT random(),
  -- Searches match the texts with ASCII letters lowered, nothing else folded.
  artist_f text GENERATED ALWAYS AS (translate(artist, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')) STORED,
  title_f text GENERATED ALWAYS AS (translate(title, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')) STORED,
  genre_f text GENERATED ALWAYS AS (translate(genre, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')) STORED,
  visible boolean GENERATED ALWAYS AS (public AND NOT hidden AND NOT missing) STORED);
CREATE INDEX songs_owner ON songs(owner);
CREATE INDEX songs_id_prefix ON songs(left(id, 8)) WHERE id <> '';
CREATE INDEX songs_home_media ON songs(home, media);
CREATE INDEX songs_newest ON songs(kind, added DESC, web, seq) WHERE visible;
CREATE INDEX songs_random ON songs(kind, rnd) WHERE visible;
CREATE INDEX songs_artist_trgm ON songs USING gin(artist_f gin_trgm_ops);
CREATE INDEX songs_title_trgm ON songs USING gin(title_f gin_trgm_ops);
CREATE INDEX songs_genre_trgm ON songs USING gin(genre_f gin_trgm_ops);

-- Every character and pair of characters of the folded texts (field 0
-- artist, 1 title, 2 genre): one- and two-character searches, which
-- trigrams cannot serve.
CREATE TABLE song_grams(
  field smallint NOT NULL, gram text NOT NULL,
  seq bigint NOT NULL REFERENCES songs(seq) ON DELETE CASCADE,
  PRIMARY KEY(field, gram, seq));
CREATE INDEX song_grams_seq ON song_grams(seq);
CREATE FUNCTION song_grams_add() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO song_grams(field, gram, seq)
  SELECT DISTINCT v.f, substr(v.t, i, n), NEW.seq
  FROM (VALUES (0::smallint, NEW.artist_f), (1::smallint, NEW.title_f), (2::smallint, NEW.genre_f)) AS v(f, t),
       generate_series(1, length(v.t)) AS i, (VALUES (1), (2)) AS l(n)
  WHERE i + n - 1 <= length(v.t);
  RETURN NULL;
END $$;
CREATE TRIGGER songs_grams AFTER INSERT ON songs FOR EACH ROW EXECUTE FUNCTION song_grams_add();

CREATE TABLE weekly_plays(
  seq bigint NOT NULL REFERENCES songs(seq) ON DELETE CASCADE,
  week integer NOT NULL, plays bigint NOT NULL,
  PRIMARY KEY(seq, week));
CREATE INDEX weekly_plays_week ON weekly_plays(week);
-- Places by plays of each week, worked out in batches from weekly_plays.
CREATE TABLE ranks(
  week integer NOT NULL, place integer NOT NULL,
  seq bigint NOT NULL REFERENCES songs(seq) ON DELETE CASCADE,
  PRIMARY KEY(week, place));
CREATE INDEX ranks_seq ON ranks(seq, week);
CREATE TABLE rank_state(week integer NOT NULL, plays_seen bigint NOT NULL);
INSERT INTO rank_state VALUES (-1, 0);
-- Counts plays without a row every play must lock.
CREATE SEQUENCE play_counter;

-- Every ID handed out: kind 0 access, 1 song, 2 a catalog song's own.
CREATE TABLE ids(
  prefix text PRIMARY KEY, id text NOT NULL UNIQUE, kind smallint NOT NULL, owner text NOT NULL DEFAULT '');
)",
    // Songs that come or go re-rank every week; plays only the current one.
    R"(
CREATE SEQUENCE catalog_counter;
ALTER TABLE rank_state ADD COLUMN catalog_seen bigint NOT NULL DEFAULT 0;
)",
    // The grams in time linear in the texts' length: substr() by position
    // walks a UTF-8 text from its start, so taking every position that way
    // was quadratic (a 20,000-character title took seconds). The characters
    // are split once and each paired with the next.
    R"(
CREATE OR REPLACE FUNCTION song_grams_add() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO song_grams(field, gram, seq)
  SELECT DISTINCT c.f, g.gram, NEW.seq
  FROM (SELECT v.f, x.ch, lead(x.ch) OVER (PARTITION BY v.f ORDER BY x.i) AS nx
        FROM (VALUES (0::smallint, NEW.artist_f), (1::smallint, NEW.title_f), (2::smallint, NEW.genre_f)) AS v(f, t),
             unnest(string_to_array(v.t, NULL)) WITH ORDINALITY AS x(ch, i)) AS c,
       LATERAL (VALUES (c.ch), (c.ch || c.nx)) AS g(gram)
  WHERE g.gram IS NOT NULL;
  RETURN NULL;
END $$;
)",
    // Re-ranking a week's every played song took seconds at a million songs,
    // far behind a stream of plays. The rank order is read along an index of
    // the week's plays instead, and places are kept for the first 255 of each
    // week only: an answer shows any later place as 255. A song's time among
    // the newest never changes, so it is kept with its plays for the index.
    R"(
ALTER TABLE weekly_plays ADD COLUMN IF NOT EXISTS added bigint;
UPDATE weekly_plays w SET added = s.added FROM songs s WHERE s.seq = w.seq AND w.added IS NULL;
ALTER TABLE weekly_plays ALTER COLUMN added SET NOT NULL;
CREATE OR REPLACE FUNCTION weekly_plays_added() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF NEW.added IS NULL THEN
    SELECT s.added INTO NEW.added FROM songs s WHERE s.seq = NEW.seq;
  END IF;
  RETURN NEW;
END $$;
DROP TRIGGER IF EXISTS weekly_plays_added ON weekly_plays;
CREATE TRIGGER weekly_plays_added BEFORE INSERT ON weekly_plays FOR EACH ROW EXECUTE FUNCTION weekly_plays_added();
CREATE INDEX IF NOT EXISTS weekly_plays_order ON weekly_plays(week, plays DESC, added DESC, seq) WHERE plays > 0;
DELETE FROM ranks WHERE place > 255;
UPDATE rank_state SET week = -1;
)",
};

} // namespace

bool migratePgSchema(PgConnection &db, std::string &error)
{
    const auto fail = [&](const PgResult &r) {
        error = r.error();
        db.exec("SELECT pg_advisory_unlock(" + std::string(kMigrationLock) + ")");
        return false;
    };
    if (PgResult r = db.exec("SELECT pg_advisory_lock(" + std::string(kMigrationLock) + ")"); !r.ok()) {
        error = r.error();
        return false;
    }
    if (PgResult r = db.exec("CREATE TABLE IF NOT EXISTS schema_version(version integer NOT NULL)"); !r.ok())
        return fail(r);
    PgResult current = db.exec("SELECT version FROM schema_version");
    if (!current.ok())
        return fail(current);
    int version = current.rows() ? int(current.integer(0, 0)) : 0;
    if (version > int(std::size(kMigrations))) {
        error = "the database was made by a newer service (schema version " + std::to_string(version) + ")";
        db.exec("SELECT pg_advisory_unlock(" + std::string(kMigrationLock) + ")");
        return false;
    }
    for (; version < int(std::size(kMigrations)); ++version) {
        const std::string step = "BEGIN;\n" + std::string(kMigrations[version]) + "\nDELETE FROM schema_version;\n"
            + "INSERT INTO schema_version VALUES (" + std::to_string(version + 1) + ");\nCOMMIT;";
        if (PgResult r = db.exec(step); !r.ok()) {
            db.exec("ROLLBACK");
            return fail(r);
        }
    }
    db.exec("SELECT pg_advisory_unlock(" + std::string(kMigrationLock) + ")");
    return true;
}

} // namespace kalvuno::server
