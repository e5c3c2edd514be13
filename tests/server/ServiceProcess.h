#pragma once

// kalvuno-service as a process of its own, for tests of several processes.
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern char **environ;

namespace kalvuno::server {

// The service on a free port of 127.0.0.1, stopped with the object.
class ServiceProcess
{
public:
    explicit ServiceProcess(const std::string &db)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string binary = KALVUNO_SERVICE_BINARY;
        // The tests talk to it from this machine, maintenance commands included.
        std::vector<std::string> args = {binary, "--db", db, "--port", "0", "--no-demo", "--maintenance-from",
                                         "127.0.0.1"};
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // "kalvuno-service: N songs, listening on http://127.0.0.1:PORT/"
        std::string text;
        char c;
        while (m_pid > 0 && text.find("listening on") == std::string::npos && read(out[0], &c, 1) == 1)
            text += c;
        while (m_pid > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            text += c;
        close(out[0]);
        if (const size_t at = text.find("127.0.0.1:"); at != std::string::npos)
            m_port = std::atoi(text.c_str() + at + 10);
    }
    ~ServiceProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    ServiceProcess(const ServiceProcess &) = delete;
    ServiceProcess &operator=(const ServiceProcess &) = delete;

    int port() const { return m_port; }
    std::unique_ptr<httplib::Client> client() const
    {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        c->set_read_timeout(10);
        c->set_url_encode(false);
        return c;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace kalvuno::server
