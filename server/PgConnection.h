#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kalvuno::server {

// The rows of one statement, in text form; ok() is false on an error.
class PgResult
{
public:
    explicit PgResult(pg_result *result = nullptr) : m_result(result) {}
    ~PgResult();
    PgResult(PgResult &&other) noexcept : m_result(other.m_result) { other.m_result = nullptr; }
    PgResult &operator=(PgResult &&other) noexcept;
    PgResult(const PgResult &) = delete;
    PgResult &operator=(const PgResult &) = delete;

    bool ok() const;
    std::string error() const;
    int rows() const;
    int columns() const;
    // Rows an UPDATE, INSERT or DELETE touched.
    int64_t affected() const;
    std::string text(int row, int column) const;
    int64_t integer(int row, int column) const;
    bool boolean(int row, int column) const;

private:
    pg_result *m_result;
};

// One connection. Statements take their values as parameters, never as text
// pasted into the statement.
class PgConnection
{
public:
    explicit PgConnection(const std::string &conninfo);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    bool connected() const;
    std::string error() const;
    PgResult exec(const std::string &sql, const std::vector<std::optional<std::string>> &params = {});
    // Without params, sql may hold several statements.
    // The same, planned once per connection and kept: for statements whose
    // best plan does not hang on the values (planning costs as much as
    // running a short search).
    PgResult execPrepared(const std::string &sql, const std::vector<std::optional<std::string>> &params);
    // Rows in PostgreSQL's COPY text format into "table(columns)".
    bool copyIn(const std::string &target, const std::string &rows);
    // Reconnects after the server went away and came back.
    void resetIfBroken();

private:
    void setUp();

    pg_conn *m_conn;
    std::unordered_map<std::string, std::string> m_prepared; // statement text to its name
};

// A fixed number of connections shared by the service's workers; a worker
// waits for a free one.
class PgPool
{
public:
    PgPool(const std::string &conninfo, size_t size);
    bool ok() const { return m_error.empty(); }
    const std::string &error() const { return m_error; }

    class Lease
    {
    public:
        Lease(PgPool &pool, PgConnection *conn) : m_pool(pool), m_conn(conn) {}
        ~Lease() { m_pool.giveBack(m_conn); }
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        PgConnection *operator->() const { return m_conn; }
        PgConnection &operator*() const { return *m_conn; }

    private:
        PgPool &m_pool;
        PgConnection *m_conn;
    };
    Lease take();

private:
    void giveBack(PgConnection *conn);

    std::vector<std::unique_ptr<PgConnection>> m_all;
    std::vector<PgConnection *> m_free;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::string m_error;
};

// Escapes a text for a LIKE pattern whose escape character is the backslash.
std::string likeEscape(const std::string &text);

} // namespace kalvuno::server
