// Two service processes on one PostgreSQL database serve one catalog: what
// changes through one is seen through the other.
#include "Cp932.h"
#include "RequestToken.h"
#include "ServiceFixture.h"
#include "ServiceProcess.h"

#include <gtest/gtest.h>

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

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
