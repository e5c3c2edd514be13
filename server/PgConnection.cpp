#include "PgConnection.h"

#include <libpq-fe.h>

namespace kalvuno::server {

PgResult::~PgResult() { PQclear(m_result); }

PgResult &PgResult::operator=(PgResult &&other) noexcept
{
    if (this != &other) {
        PQclear(m_result);
        m_result = other.m_result;
        other.m_result = nullptr;
    }
    return *this;
}

bool PgResult::ok() const
{
    const ExecStatusType status = m_result ? PQresultStatus(m_result) : PGRES_FATAL_ERROR;
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN;
}

std::string PgResult::error() const { return m_result ? PQresultErrorMessage(m_result) : "no result"; }

int PgResult::rows() const { return m_result ? PQntuples(m_result) : 0; }

int PgResult::columns() const { return m_result ? PQnfields(m_result) : 0; }

int64_t PgResult::affected() const
{
    const char *n = m_result ? PQcmdTuples(m_result) : "";
    return *n ? std::stoll(n) : 0;
}

std::string PgResult::text(int row, int column) const
{
    return std::string(PQgetvalue(m_result, row, column), size_t(PQgetlength(m_result, row, column)));
}

int64_t PgResult::integer(int row, int column) const
{
    return std::strtoll(PQgetvalue(m_result, row, column), nullptr, 10);
}

bool PgResult::boolean(int row, int column) const { return PQgetvalue(m_result, row, column)[0] == 't'; }

PgConnection::PgConnection(const std::string &conninfo) : m_conn(PQconnectdb(conninfo.c_str())) { setUp(); }

void PgConnection::setUp()
{
    // Parallel workers take milliseconds to start: more than a search that
    // walks an index should take, so every statement runs in this process.
    if (connected())
        PQclear(PQexec(m_conn, "SET client_min_messages = warning; SET max_parallel_workers_per_gather = 0"));
}

PgConnection::~PgConnection() { PQfinish(m_conn); }

bool PgConnection::connected() const { return m_conn && PQstatus(m_conn) == CONNECTION_OK; }

std::string PgConnection::error() const { return m_conn ? PQerrorMessage(m_conn) : "out of memory"; }

namespace {

struct Values
{
    explicit Values(const std::vector<std::optional<std::string>> &params)
    {
        for (const auto &p : params) {
            values.push_back(p ? p->c_str() : nullptr);
            lengths.push_back(p ? int(p->size()) : 0);
        }
    }
    std::vector<const char *> values;
    std::vector<int> lengths;
};

} // namespace

PgResult PgConnection::exec(const std::string &sql, const std::vector<std::optional<std::string>> &params)
{
    // Without values the statement may be a script of several.
    if (params.empty())
        return PgResult(PQexec(m_conn, sql.c_str()));
    const Values v(params);
    return PgResult(PQexecParams(m_conn, sql.c_str(), int(params.size()), nullptr, v.values.data(), v.lengths.data(),
                                 nullptr, 0));
}

PgResult PgConnection::execPrepared(const std::string &sql, const std::vector<std::optional<std::string>> &params)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        const std::string name = "k" + std::to_string(m_prepared.size());
        PgResult made(PQprepare(m_conn, name.c_str(), sql.c_str(), int(params.size()), nullptr));
        if (!made.ok())
            return made;
        it = m_prepared.emplace(sql, name).first;
    }
    const Values v(params);
    return PgResult(PQexecPrepared(m_conn, it->second.c_str(), int(params.size()), v.values.data(), v.lengths.data(),
                                   nullptr, 0));
}

bool PgConnection::copyIn(const std::string &target, const std::string &rows)
{
    if (PgResult start(PQexec(m_conn, ("COPY " + target + " FROM STDIN").c_str())); !start.ok())
        return false;
    const bool sent = PQputCopyData(m_conn, rows.data(), int(rows.size())) == 1;
    if (PQputCopyEnd(m_conn, sent ? nullptr : "not sent") != 1)
        return false;
    bool ok = sent;
    while (pg_result *r = PQgetResult(m_conn)) {
        ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
    }
    return ok;
}

void PgConnection::resetIfBroken()
{
    if (m_conn && PQstatus(m_conn) == CONNECTION_BAD) {
        PQreset(m_conn);
        m_prepared.clear(); // a new session knows none of them
        setUp();
    }
}

PgPool::PgPool(const std::string &conninfo, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        auto conn = std::make_unique<PgConnection>(conninfo);
        if (!conn->connected()) {
            m_error = conn->error();
            return;
        }
        m_free.push_back(conn.get());
        m_all.push_back(std::move(conn));
    }
}

PgPool::Lease PgPool::take()
{
    std::unique_lock lock(m_mutex);
    m_freed.wait(lock, [this] { return !m_free.empty(); });
    PgConnection *conn = m_free.back();
    m_free.pop_back();
    lock.unlock();
    conn->resetIfBroken();
    return Lease(*this, conn);
}

void PgPool::giveBack(PgConnection *conn)
{
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(conn);
    }
    m_freed.notify_one();
}

std::string likeEscape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace kalvuno::server
