#include "HttpTransport.h"
#include "RawHttpServer.h"
#include "SearchSongs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace kalvuno {
void PrintTo(SearchOutcome outcome, std::ostream *os)
{
    const char *names[] = {"Done", "Failed", "NotWritten"};
    *os << names[int(outcome)];
}
} // namespace kalvuno

namespace {

// Stalls in these tests last one second, not thirty.
constexpr uint32_t kLimitMs = 1000;

const std::string kOldList = "[old]\r\nTitle=\x8b\xc8\r\n";
const std::string kAnswer = "[a]\r\nTitle=one\r\n[b]\r\nTitle=\x8b\xc8\r\n";

std::string requestPath(const std::string &request)
{
    const size_t start = request.find(' ') + 1;
    return request.substr(start, request.find(' ', start) - start);
}

std::string redirectTo(const std::string &location, const std::string &body = "")
{
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}

using Serve = std::function<void(const RawHttpServer &, int fd, const std::string &request)>;

// The search goes to /kalvuno/center2.fws/search; then /r1, /r2, ... until
// `hops` redirects were made, and the answer comes from the last one.
Serve redirectChain(int hops, const std::string &firstBody = "")
{
    return [=](const RawHttpServer &, int fd, const std::string &request) {
        const std::string path = requestPath(request);
        const int hop = path.rfind("/r", 0) == 0 ? std::stoi(path.substr(2)) : 0;
        RawHttpServer::send(fd, hop < hops ? redirectTo("/r" + std::to_string(hop + 1), hop == 0 ? firstBody : "")
                                           : httpAnswer(200, kAnswer));
    };
}

struct SearchSongsTest : ::testing::Test
{
    SearchOutcome search(const Serve &serve, bool append)
    {
        RawHttpServer server([&](int fd, const std::string &request) { serve(server, fd, request); });
        http.setAddressing(
            ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
        return SearchSongs(http, "Max=10&Sort=New&Open=1", file, append);
    }
    SystemClock clock;
    HttpTransport http{clock, kLimitMs};
    TempDir tmp;
    QString file = tmp.path("Current.ini");
};

TEST_F(SearchSongsTest, AnythingButAWholeSuccessfulAnswerLeavesTheListAsItWas)
{
    const std::string head1000 = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
    const struct
    {
        const char *what;
        Serve serve;
    } cases[] = {
        {"404", [](auto &, int fd, auto &) { RawHttpServer::send(fd, httpAnswer(404, kAnswer)); }},
        {"500", [](auto &, int fd, auto &) { RawHttpServer::send(fd, httpAnswer(500, kAnswer)); }},
        {"302 without a location",
         [](auto &, int fd, auto &) {
             RawHttpServer::send(fd, "HTTP/1.1 302 Found\r\nContent-Length: " + std::to_string(kAnswer.size())
                                         + "\r\nConnection: close\r\n\r\n" + kAnswer);
         }},
        {"redirect loop", [](auto &, int fd, auto &) { RawHttpServer::send(fd, redirectTo("/kalvuno/center2.fws/search?again")); }},
        {"six redirects", redirectChain(6)},
        {"reset mid-body",
         [&](auto &, int fd, auto &) {
             RawHttpServer::send(fd, head1000 + kAnswer);
             RawHttpServer::resetOnClose(fd);
         }},
        {"closed short of its Content-Length", [&](auto &, int fd, auto &) { RawHttpServer::send(fd, head1000 + kAnswer); }},
        {"chunked answer closed before its last chunk",
         [](auto &, int fd, auto &) {
             char size[16];
             std::snprintf(size, sizeof size, "%zx", kAnswer.size());
             RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(size) + "\r\n"
                                         + kAnswer + "\r\n");
         }},
        {"stall cut by the time limit",
         [&](auto &server, int fd, auto &) {
             RawHttpServer::send(fd, head1000 + kAnswer);
             server.pause(5000);
         }},
    };
    for (const auto &c : cases) {
        for (const bool append : {false, true}) {
            ASSERT_TRUE(writeBytes(file, QByteArray::fromStdString(kOldList)));
            EXPECT_EQ(search(c.serve, append), SearchOutcome::Failed) << c.what << " append " << append;
            EXPECT_EQ(readBytes(file).toStdString(), kOldList) << c.what << " append " << append;
        }
    }
}

TEST_F(SearchSongsTest, AWholeAnswerReplacesTheList)
{
    const struct
    {
        const char *what;
        Serve serve;
    } cases[] = {
        {"with Content-Length", [](auto &, int fd, auto &) { RawHttpServer::send(fd, httpAnswer(200, kAnswer)); }},
        {"ended by closing",
         [](auto &, int fd, auto &) { RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + kAnswer); }},
        {"five redirects, the first with a body of its own", redirectChain(5, "moved elsewhere\r\n")},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(writeBytes(file, QByteArray::fromStdString(kOldList)));
        EXPECT_EQ(search(c.serve, false), SearchOutcome::Done) << c.what;
        EXPECT_EQ(readBytes(file).toStdString(), kAnswer) << c.what;
    }
}

TEST_F(SearchSongsTest, AnAnswerCutAtTheCapIsStillStored)
{
    std::string big;
    for (int i = 0; big.size() < 70000; ++i)
        big += "[/m/" + std::to_string(i) + ".mp3]\r\nTitle=song " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(writeBytes(file, QByteArray::fromStdString(kOldList)));
    EXPECT_EQ(search([&](auto &, int fd, auto &) { RawHttpServer::send(fd, httpAnswer(200, big)); }, false),
              SearchOutcome::Done);
    const QByteArray stored = readBytes(file);
    EXPECT_GE(stored.size(), kAnswerCap);
    EXPECT_LT(stored.size(), qsizetype(big.size()));
    // Whole lines up to the cut, and the cut line as far as it came.
    EXPECT_TRUE(big.starts_with(stored.chopped(2).toStdString()));
}

} // namespace
