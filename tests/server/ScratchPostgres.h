#pragma once

// One throw-away PostgreSQL server for the whole test program, started by
// scripts/pg-scratch.sh on first use and stopped when the tests end; each
// test takes a fresh database of its own on it.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

namespace kalvuno::server {

class ScratchPostgres : public ::testing::Environment
{
public:
    // The server, started when needed; unavailable() says why there is none.
    static ScratchPostgres &instance()
    {
        static ScratchPostgres *server = [] {
            auto *s = new ScratchPostgres;
            ::testing::AddGlobalTestEnvironment(s); // gtest owns and tears it down
            s->start();
            return s;
        }();
        return *server;
    }

    // Non-empty when the server binaries are missing: the test is skipped.
    const std::string &unavailable() const { return m_unavailable; }
    // Non-empty when the server would not start: the test fails.
    const std::string &failure() const { return m_failure; }

    // The URL of a new, empty database.
    std::string newDatabase()
    {
        const std::string name = "t" + std::to_string(++m_databases);
        std::system(("psql -q -X '" + m_url + "' -c 'CREATE DATABASE " + name + "' >/dev/null").c_str());
        return m_url.substr(0, m_url.rfind('/') + 1) + name;
    }

    void TearDown() override
    {
        if (!m_url.empty())
            std::system((script() + " stop '" + m_dir.dir.path().toStdString() + "/pg'").c_str());
        m_url.clear();
    }

private:
    static std::string script() { return KALVUNO_SCRIPTS_DIR "/pg-scratch.sh"; }

    void start()
    {
        const std::string command = script() + " start '" + m_dir.dir.path().toStdString() + "/pg' 2>&1";
        FILE *out = popen(command.c_str(), "r");
        std::string text;
        char buffer[512];
        while (out && std::fgets(buffer, sizeof buffer, out))
            text += buffer;
        const int status = out ? pclose(out) : -1;
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
            m_unavailable = "PostgreSQL server binaries missing, its store is not tested: " + text;
        else if (status != 0 || text.rfind("postgresql://") == std::string::npos)
            m_failure = "cannot start a scratch PostgreSQL server: " + text;
        else
            m_url = text.substr(text.rfind("postgresql://"));
    }

    TempDir m_dir;
    std::string m_url;
    std::string m_unavailable;
    std::string m_failure;
    std::atomic<int> m_databases = 0;
};

} // namespace kalvuno::server
