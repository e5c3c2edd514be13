// The service makes and migrates its PostgreSQL schema itself at start.
#include "PgConnection.h"
#include "StoreUnderTest.h"

#include <gtest/gtest.h>

#include <set>

using namespace kalvuno::server;

namespace {

int64_t schemaVersion(PgConnection &db)
{
    PgResult r = db.exec("SELECT version FROM schema_version");
    return r.ok() && r.rows() == 1 ? r.integer(0, 0) : -1;
}

TEST(PgSchema, MadeOnceMigratedFromOlderAndRefusedWhenNewer)
{
    StoreUnderTest store(StoreKind::Postgres);
    REQUIRE_STORE(store);
    PgConnection db(store.location());
    ASSERT_TRUE(db.connected()) << db.error();
    {
        PostgresLibrary library(store.location(), {1, {}});
        ASSERT_TRUE(library.ok()) << library.error();
    }
    const int64_t latest = schemaVersion(db);
    EXPECT_GE(latest, 3);
    {
        // Opened again, nothing is made twice.
        PostgresLibrary library(store.location(), {1, {}});
        EXPECT_TRUE(library.ok()) << library.error();
        EXPECT_EQ(schemaVersion(db), latest);
    }

    // A database left at the first version gets the later steps.
    ASSERT_TRUE(db.exec("DROP SEQUENCE catalog_counter; ALTER TABLE rank_state DROP COLUMN catalog_seen;"
                        " UPDATE schema_version SET version = 1")
                    .ok());
    {
        PostgresLibrary library(store.location(), {1, {}});
        EXPECT_TRUE(library.ok()) << library.error();
        EXPECT_EQ(schemaVersion(db), latest);
        EXPECT_TRUE(db.exec("SELECT nextval('catalog_counter'), catalog_seen FROM rank_state").ok());
    }

    // One made by a newer service is left alone.
    ASSERT_TRUE(db.exec("UPDATE schema_version SET version = 999").ok());
    PostgresLibrary library(store.location(), {1, {}});
    EXPECT_FALSE(library.ok());
    EXPECT_NE(library.error().find("newer"), std::string::npos) << library.error();
}

// Every character and every pair of neighbouring characters of the folded
// text, each once.
std::set<std::string> gramsOf(const std::string &text)
{
    std::vector<std::string> chars;
    for (char c : text) {
        if ((c & 0xC0) != 0x80 || chars.empty())
            chars.emplace_back();
        chars.back() += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    std::set<std::string> grams;
    for (size_t i = 0; i < chars.size(); ++i) {
        grams.insert(chars[i]);
        if (i + 1 < chars.size())
            grams.insert(chars[i] + chars[i + 1]);
    }
    return grams;
}

TEST(PgSchema, GramsAreEveryCharacterAndPairOfTheFoldedTexts)
{
    StoreUnderTest store(StoreKind::Postgres);
    REQUIRE_STORE(store);
    const std::string texts[] = {"", "a", "Ab", "abab", "山田山田", "🎵ー🎵x", "Kara OK 山", std::string(3000, 'z') + "山"};
    std::vector<Song> songs;
    for (size_t i = 0; i < std::size(texts); ++i) {
        Song s;
        s.id = "c00000000000000" + std::to_string(i);
        s.artist = texts[i];
        s.title = texts[(i + 1) % std::size(texts)];
        s.genre = texts[(i + 2) % std::size(texts)];
        s.media = "http://example.jp/" + s.id + ".mp3";
        songs.push_back(s);
    }
    ASSERT_TRUE(store.insertSongs(songs));
    PgConnection db(store.location());
    ASSERT_TRUE(db.connected()) << db.error();
    for (const Song &s : songs) {
        const std::string *fields[] = {&s.artist, &s.title, &s.genre};
        for (int field = 0; field < 3; ++field) {
            PgResult r = db.exec("SELECT g.gram FROM song_grams g JOIN songs s ON s.seq = g.seq"
                                 " WHERE s.id = $1 AND g.field = $2::smallint",
                                 {s.id, std::to_string(field)});
            ASSERT_TRUE(r.ok()) << r.error();
            std::set<std::string> stored;
            for (int i = 0; i < r.rows(); ++i)
                EXPECT_TRUE(stored.insert(r.text(i, 0)).second) << "a gram twice: " << r.text(i, 0);
            EXPECT_EQ(stored, gramsOf(*fields[field])) << s.id << " field " << field;
        }
    }
}

} // namespace
