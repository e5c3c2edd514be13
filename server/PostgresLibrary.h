#pragma once

#include "LibraryStore.h"
#include "PgConnection.h"
#include "PgSearch.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <thread>

namespace kalvuno::server {

// The shared store: the catalog in a PostgreSQL database that any number of
// service processes use at once. Nothing of the catalog is kept here, so a
// change through one process is seen by the next search through any other.
// Searches run in the database; weekly ranks are worked out in batches by
// whichever process gets to it first, within a second of plays coming in.
class PostgresLibrary : public LibraryStore, public SongWriter
{
public:
    // Statements in flight at once by default: one per processor. More only
    // make them wait for each other inside the database, and far longer: on
    // a busy machine a backend that loses its processor while holding a lock
    // stalls the others for tens of milliseconds, where a search waiting here
    // for a free connection waits for one short statement.
    static size_t defaultConnections();

    struct Options
    {
        size_t connections = defaultConnections();
        std::function<int32_t()> today; // the local day number; todayDayNumber() when empty
        // From how many matches a filter counts as common; 0: from the catalog's size.
        int64_t manyMatches = 0;
    };

    PostgresLibrary(const std::string &conninfo, Options options);
    ~PostgresLibrary() override;
    // False with the reason in error() when the database cannot be reached or
    // its schema not brought up to date.
    bool ok() const { return m_error.empty(); }
    const std::string &error() const { return m_error; }

    bool insertSongs(const std::vector<Song> &songs) override;
    bool isEmpty();
    // Works the ranks out now when plays came in or the week changed.
    bool refreshRanks();

    std::optional<std::string> search(const SearchRequest &request, const std::string &hostPort) override;
    std::vector<Song> newest(Kind kind, int max) override;
    size_t songCount() override;
    std::string issueId(IdKind kind) override;
    std::optional<std::string> accessIdByPrefix(const std::string &prefix) override;
    std::optional<std::string> songIdByPrefix(const std::string &prefix) override;
    Outcome hide(const std::string &home, const std::string &media, bool all) override;
    Outcome markMissing(const std::string &key) override;
    Outcome addPlay(const std::string &songId, int32_t week) override;
    Outcome replaceSongsOf(const std::string &owner, std::vector<Song> songs, std::string &refusedId) override;

private:
    int32_t week() const;
    void refreshLoop();
    // The planner's count of songs, which is cheap to read.
    void estimateSongs();
    // From how many matches on a filter is a common one.
    int64_t manyMatches() const;

    Options m_options;
    std::unique_ptr<PgPool> m_pool;
    std::string m_error;
    std::atomic<int64_t> m_songEstimate = 0;
    GramCommonness m_commonness;
    std::mutex m_stopMutex;
    std::condition_variable m_stopNow;
    bool m_stopping = false;
    std::thread m_refresher;
};

} // namespace kalvuno::server
