// The README's nginx example in front of two service processes on one
// PostgreSQL catalog.
#include "ServiceFixture.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <sstream>

using namespace kalvuno::server;

namespace {

int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    bind(fd, reinterpret_cast<sockaddr *>(&at), sizeof at);
    getsockname(fd, reinterpret_cast<sockaddr *>(&at), &length);
    close(fd);
    return ntohs(at.sin_port);
}

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// nginx with the example configuration, its ports swapped for the test's.
class Nginx
{
public:
    Nginx(const std::string &folder, int port, int first, int second)
    {
        std::ifstream in(KALVUNO_SOURCE_DIR "/server/proxy/nginx.conf");
        std::stringstream example;
        example << in.rdbuf();
        std::string site = replaced(example.str(), "127.0.0.1:8564", "127.0.0.1:" + std::to_string(first));
        site = replaced(site, "127.0.0.1:8565", "127.0.0.1:" + std::to_string(second));
        site = replaced(site, "listen 8563;", "listen 127.0.0.1:" + std::to_string(port) + ";");
        std::ofstream(folder + "/nginx.conf")
            << (geteuid() == 0 ? "user root;\n" : "") << "pid " << folder << "/nginx.pid;\nerror_log " << folder
            << "/error.log;\nevents {}\nhttp {\naccess_log off;\nclient_body_temp_path " << folder
            << ";\nproxy_temp_path " << folder << ";\n"
            << site << "}\n";
        std::vector<std::string> args = {"nginx", "-p", folder, "-c", folder + "/nginx.conf", "-g", "daemon off;"};
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "nginx", nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
    }
    ~Nginx()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Nginx(const Nginx &) = delete;
    Nginx &operator=(const Nginx &) = delete;

private:
    pid_t m_pid = -1;
};

bool nginxInstalled() { return std::system("command -v nginx >/dev/null 2>&1") == 0; }

TEST(Proxy, ExampleConfigurationServesTwoProcesses)
{
    if (!nginxInstalled())
        GTEST_SKIP() << "nginx is not installed: the proxy example is not tested";
    StoreUnderTest store(StoreKind::Postgres);
    REQUIRE_STORE(store);
    ASSERT_TRUE(store.insertSongs({makeSong("d000000100000000", "Proxied", "Both", Kind::Mp3, 100)}));
    auto first = std::make_unique<ServiceProcess>(store.location());
    ServiceProcess second(store.location());
    ASSERT_GT(first->port(), 0);
    ASSERT_GT(second.port(), 0);
    TempDir folder;
    const int port = freePort();
    Nginx nginx(folder.dir.path().toStdString(), port, first->port(), second.port());
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10);
    const std::string search = "/kalvuno/center2.fws/search?Max=5&Sort=New&Open=1";
    auto res = client.Get(search);
    for (int wait = 0; wait < 50 && !res; ++wait) { // nginx is starting
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        res = client.Get(search);
    }
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    // Our media locations carry the address the client used: the proxy's.
    EXPECT_NE(res->body.find("MP3=http://127.0.0.1:" + std::to_string(port) + "/kalvuno/media/d000000100000000.mp3"),
              std::string::npos)
        << res->body;

    // With one process gone, the other answers every search.
    first.reset();
    for (int i = 0; i < 6; ++i) {
        res = client.Get(search);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_NE(res->body.find("[d000000100000000]"), std::string::npos);
    }
}

} // namespace
