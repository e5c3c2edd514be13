// The service makes and migrates its PostgreSQL schema itself at start.
#include "PgConnection.h"
#include "StoreUnderTest.h"

#include <gtest/gtest.h>

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
    EXPECT_GE(latest, 2);
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

} // namespace
