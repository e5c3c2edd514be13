// Two service processes on one PostgreSQL database serve one catalog: what
// changes through one is seen through the other.
#include "Cp932.h"
#include "RequestToken.h"
#include "ServiceFixture.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char **environ;

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

// kalvuno-service as a process of its own on a free port of 127.0.0.1.
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
        std::vector<std::string> args = {binary, "--db", db, "--port", "0", "--no-demo"};
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

const std::string kCommands = "/kalvuno/center2.fws/";

std::string get(const ServiceProcess &service, const std::string &path)
{
    auto res = service.client()->Get(kCommands + path);
    return res && res->status == 200 ? res->body : std::string();
}

std::string sendBody(const std::string &accessId, const std::string &file)
{
    char length[9];
    std::snprintf(length, sizeof length, "%08X", unsigned(file.size()));
    return makeRequestToken(accessId, file, todayDayNumber()) + "\r\n" + length + "\r\n" + file;
}

// The value of a key in the entry of a song in an answer.
std::string valueIn(const std::string &answer, const std::string &song, const std::string &key)
{
    const size_t entry = answer.find("[" + song + "]");
    if (entry == std::string::npos)
        return {};
    const size_t at = answer.find("\r\n" + key + "=", entry);
    if (at == std::string::npos)
        return {};
    const size_t start = at + key.size() + 3;
    return answer.substr(start, answer.find("\r\n", start) - start);
}

TEST(SharedCatalog, TwoProcessesServeOneCatalog)
{
    StoreUnderTest store(StoreKind::Postgres);
    REQUIRE_STORE(store);
    const std::string songId = "c000000100000000";
    ASSERT_TRUE(store.insertSongs({makeSong(songId, "Shared", "Both", Kind::Mp3, 100),
                                   makeSong("c000000200000000", "Other", "Both", Kind::Mp3, 50)}));
    ServiceProcess first(store.location());
    ServiceProcess second(store.location());
    ASSERT_GT(first.port(), 0);
    ASSERT_GT(second.port(), 0);

    // An upload through the first is found by a search through the second.
    const std::string access = get(first, "aid").substr(0, 16);
    const std::string uploaded = get(first, "sid").substr(0, 16);
    ASSERT_EQ(access.size(), 16u);
    const std::string file = toCp932("[" + uploaded + "]\r\nTitle=共有の歌\r\nArtist=ミナ\r\nMP3=http://mina.example.jp/s.mp3\r\n");
    auto res = first.client()->Post(kCommands + "send", sendBody(access, file), "");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(get(second, "search?Max=10&Sort=New&Open=1&Artist=%83%7E%83i").find("[" + uploaded + "]"),
              std::string::npos); // ミナ

    // Play counts from both add up exactly.
    constexpr int kThreads = 16;
    constexpr int kPlaysEach = 25;
    std::atomic<int> refused = 0;
    std::vector<std::thread> players;
    for (const ServiceProcess *service : {&first, &second})
        for (int t = 0; t < kThreads; ++t)
            players.emplace_back([&, service, t] {
                auto client = service->client();
                for (int i = 0; i < kPlaysEach; ++i) {
                    const std::string data = "play" + std::to_string(t) + "-" + std::to_string(i);
                    const auto r = client->Post(kCommands + "mp3count",
                                                makeRequestToken(songId, data, todayDayNumber()) + "\r" + data, "");
                    if (!r || r->status != 200)
                        ++refused;
                }
            });
    for (std::thread &p : players)
        p.join();
    EXPECT_EQ(refused, 0);
    for (const ServiceProcess *service : {&first, &second})
        EXPECT_EQ(valueIn(get(*service, "search?Max=10&Sort=New&Open=1&Title=shared"), songId, "MP3Count"),
                  std::to_string(2 * kThreads * kPlaysEach));

    // The weekly ranks follow the plays within a second or so, in both.
    for (const ServiceProcess *service : {&first, &second}) {
        std::string rank;
        for (int wait = 0; wait < 50 && rank != "0100000000"; ++wait) {
            rank = valueIn(get(*service, "search?Max=1&Sort=Rank0&Open=1"), songId, "Rank");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        EXPECT_EQ(rank, "0100000000");
    }

    // A hide through the second is seen by the first.
    res = second.client()->Get(kCommands + "hide?http://example.jp/Both/&/kalvuno/media/" + songId + ".mp3");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    const std::string after = get(first, "search?Max=10&Sort=New&Open=1");
    EXPECT_EQ(after.find("[" + songId + "]"), std::string::npos);
    EXPECT_NE(after.find("[c000000200000000]"), std::string::npos);
}

} // namespace
