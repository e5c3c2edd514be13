#pragma once

// A library store of either kind for the service's tests: an SQLite file in
// a temporary folder, or a fresh database on the scratch PostgreSQL server.
#include "CatalogStore.h"
#include "MemoryLibrary.h"
#include "PostgresLibrary.h"
#include "ScratchPostgres.h"

#include <memory>
#include <ostream>

namespace kalvuno::server {

enum class StoreKind { Sqlite, Postgres };

inline std::ostream &operator<<(std::ostream &out, StoreKind kind)
{
    return out << (kind == StoreKind::Sqlite ? "Sqlite" : "Postgres");
}

inline std::string storeName(const ::testing::TestParamInfo<StoreKind> &info)
{
    return info.param == StoreKind::Sqlite ? "Sqlite" : "Postgres";
}

class StoreUnderTest
{
public:
    explicit StoreUnderTest(StoreKind kind) : m_kind(kind)
    {
        if (kind == StoreKind::Sqlite) {
            m_location = m_tmp.path("catalog.db").toStdString();
            return;
        }
        ScratchPostgres &server = ScratchPostgres::instance();
        m_unavailable = server.unavailable();
        m_failure = server.failure();
        if (m_unavailable.empty() && m_failure.empty())
            m_location = server.newDatabase();
    }

    // Why this kind of store cannot be tested here (skip), or failed to come up (fail).
    const std::string &unavailable() const { return m_unavailable; }
    const std::string &failure() const { return m_failure; }
    const std::string &location() const { return m_location; }
    std::string mediaDir() const { return m_tmp.path("media").toStdString(); }

    // A library over the store, as a service process starting now would open it.
    std::unique_ptr<LibraryStore> open(std::function<int32_t()> today)
    {
        if (m_kind == StoreKind::Postgres) {
            auto library = std::make_unique<PostgresLibrary>(m_location, PostgresLibrary::Options{4, today});
            m_failure = library->error();
            return library;
        }
        auto disk = std::make_unique<CatalogStore>();
        if (!disk->open(m_location))
            m_failure = disk->error();
        auto library = std::make_unique<MemoryLibrary>(*disk, MemoryLibrary::Options{0, today});
        m_disks.push_back(std::move(disk));
        return library;
    }

    bool insertSongs(const std::vector<Song> &songs)
    {
        if (m_kind == StoreKind::Postgres) {
            PostgresLibrary library(m_location, {1, {}});
            return library.ok() && library.insertSongs(songs);
        }
        CatalogStore disk;
        return disk.open(m_location) && disk.insertSongs(songs);
    }

private:
    StoreKind m_kind;
    TempDir m_tmp;
    std::string m_location;
    std::string m_unavailable;
    std::string m_failure;
    std::vector<std::unique_ptr<CatalogStore>> m_disks; // outlive the libraries over them
};

// Skips the test when its store is not available here, fails it when the
// store would not come up.
#define REQUIRE_STORE(store)                                                                                           \
    do {                                                                                                               \
        if (!(store).unavailable().empty())                                                                            \
            GTEST_SKIP() << (store).unavailable();                                                                     \
        ASSERT_EQ((store).failure(), "");                                                                              \
    } while (false)

} // namespace kalvuno::server
