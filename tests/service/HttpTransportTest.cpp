#include "AddressSubstitution.h"
#include "HttpTransport.h"
#include "RawHttpServer.h"
#include "TempDir.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// Stalls in these tests last one second, not thirty.
constexpr uint32_t kLimitMs = 1000;

QString local(const RawHttpServer &server, const char *path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(QString::fromUtf8(path));
}

struct TransportTest : ::testing::Test
{
    SystemClock clock;
    HttpTransport http{clock, kLimitMs};
};

TEST_F(TransportTest, ErrorPagesAreAnswers)
{
    RawHttpServer server([](int fd, const std::string &) {
        RawHttpServer::send(fd, httpAnswer(404, "<html>\r\nnot here\r\n</html>\r\n"));
    });
    QStringList lines{"kept?"};
    int status = 0;
    ASSERT_TRUE(http.GetLines(lines, local(server, "/missing"), &status));
    EXPECT_EQ(status, 404);
    EXPECT_EQ(lines, (QStringList{"<html>", "not here", "</html>"}));
    EXPECT_NE(server.lastRequest().find("User-Agent: Kalvuno\r\n"), std::string::npos);
    EXPECT_NE(server.lastRequest().find("Cache-Control: no-cache\r\n"), std::string::npos);
}

TEST_F(TransportTest, LinesSplitAtEveryLineBreakAndEndAtNul)
{
    struct Case
    {
        std::string body;
        QStringList lines;
    };
    const Case cases[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"a\r\rb\n\n", {"a", "", "b", ""}},
        {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
        {"", {}},
        {"\x8b\xc8=\x82\xa0", {u"曲=あ"_qs}},
    };
    for (const Case &c : cases) {
        RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, c.body)); });
        QStringList lines{"old"};
        ASSERT_TRUE(http.GetLines(lines, local(server, "/t")));
        EXPECT_EQ(lines, c.lines) << c.body;
    }
}

TEST_F(TransportTest, BigAnswersAreCutAfterTheReadThatReachesTheCap)
{
    RawHttpServer server([](int fd, const std::string &) {
        RawHttpServer::send(fd, httpAnswer(200, std::string(70000, 'x')));
    });
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    ASSERT_TRUE(http.GetToStream(stream, local(server, "/big")));
    EXPECT_GE(stream.size(), 65536);
    EXPECT_LE(stream.size(), 65536 + 1024);
    EXPECT_EQ(stream.pos(), 0);
}

TEST_F(TransportTest, StalledGetEndsAtTheDeadlineWithWhatArrived)
{
    RawHttpServer server([&](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nfirst\r\nsecond\r\n");
        server.pause(5000);
    });
    QStringList lines;
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(http.GetLines(lines, local(server, "/slow")));
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_EQ(lines, (QStringList{"first", "second"}));
}

TEST_F(TransportTest, UnreachableUrlsFailAndLeaveTheListAlone)
{
    int closedPort;
    {
        RawHttpServer gone([](int, const std::string &) {});
        closedPort = gone.port();
    }
    QStringList lines{"kept"};
    EXPECT_FALSE(http.GetLines(lines, QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)));
    EXPECT_FALSE(http.GetLines(lines, QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(http.GetLines(lines, QStringLiteral("not a url")));
    EXPECT_EQ(lines, QStringList{"kept"});
}

TEST_F(TransportTest, DownloadReplacesAnOlderCopyWithTheWholeBody)
{
    TempDir tmp;
    writeBytes(tmp.path("a.mp3"), "older copy");
    const std::string body(200000, 'm');
    RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, body)); });
    int status = 0;
    ASSERT_TRUE(http.DownloadToFile(tmp.path("a.mp3"), local(server, "/a.mp3"), &status));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(readBytes(tmp.path("a.mp3")).toStdString(), body);
    EXPECT_EQ(QDir(tmp.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.mp3"});
}

// Every way a download can fall short. The older copy stays as it was, and
// nothing else is left in its folder.
TEST_F(TransportTest, AnIncompleteDownloadLeavesNoFileAndKeepsTheOlderCopy)
{
    struct Case
    {
        const char *what;
        std::function<void(RawHttpServer &, int)> answer;
        DownloadOptions options;
    };
    // Sends a byte every 50 ms, for ever: never a stall, never an end.
    const auto trickle = [](RawHttpServer &server, int fd) {
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        while (!server.stopping()) {
            RawHttpServer::send(fd, "x");
            server.pause(50);
        }
    };
    DownloadOptions small;
    small.sizeCap = 100000;
    DownloadOptions shortTotal;
    shortTotal.totalLimitMs = 1500;
    const Case cases[] = {
        {"an error page",
         [](RawHttpServer &, int fd) { RawHttpServer::send(fd, httpAnswer(404, "<html>no</html>")); },
         {}},
        {"a redirect without a target",
         [](RawHttpServer &, int fd) { RawHttpServer::send(fd, httpAnswer(302, "moved")); }, {}},
        {"an empty body", [](RawHttpServer &, int fd) { RawHttpServer::send(fd, httpAnswer(200, "")); }, {}},
        {"a connection closed early",
         [](RawHttpServer &, int fd) {
             RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(3000, 'p'));
         },
         {}},
        {"a connection reset",
         [](RawHttpServer &, int fd) {
             RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(3000, 'p'));
             RawHttpServer::resetOnClose(fd);
         },
         {}},
        {"a stall",
         [](RawHttpServer &server, int fd) {
             RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(3000, 'p'));
             server.pause(5000);
         },
         {}},
        {"an announced length beyond the cap",
         [](RawHttpServer &, int fd) { RawHttpServer::send(fd, httpAnswer(200, std::string(150000, 'b'))); }, small},
        {"an endless body beyond the cap",
         [](RawHttpServer &server, int fd) {
             RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
             const std::string block(16384, 'e');
             while (!server.stopping())
                 RawHttpServer::send(fd, block);
         },
         small},
        {"a body that trickles past the total time", trickle, shortTotal},
    };
    for (const Case &c : cases) {
        for (const bool older : {true, false}) {
            TempDir tmp;
            if (older)
                writeBytes(tmp.path("s.mp3"), "older copy");
            RawHttpServer server([&](int fd, const std::string &) { c.answer(server, fd); });
            QElapsedTimer timer;
            timer.start();
            EXPECT_FALSE(http.DownloadToFile(tmp.path("s.mp3"), local(server, "/s.mp3"), c.options)) << c.what;
            EXPECT_LT(timer.elapsed(), 4000) << c.what;
            const QStringList left = QDir(tmp.dir.path()).entryList(QDir::Files | QDir::Hidden);
            if (older) {
                EXPECT_EQ(left, QStringList{"s.mp3"}) << c.what;
                EXPECT_EQ(readBytes(tmp.path("s.mp3")), "older copy") << c.what;
            } else {
                EXPECT_TRUE(left.isEmpty()) << c.what << ": " << left.join(u' ').toStdString();
            }
        }
    }
}

TEST_F(TransportTest, ADownloadThatCannotReachTheServerKeepsTheOlderCopy)
{
    TempDir tmp;
    writeBytes(tmp.path("old.mp3"), "old content");
    int closedPort;
    {
        RawHttpServer gone([](int, const std::string &) {});
        closedPort = gone.port();
    }
    EXPECT_FALSE(http.DownloadToFile(tmp.path("old.mp3"), QStringLiteral("http://127.0.0.1:%1/a").arg(closedPort)));
    EXPECT_EQ(readBytes(tmp.path("old.mp3")), "old content");
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1/a").arg(closedPort);
    EXPECT_FALSE(http.DownloadToFile(tmp.path("missing/new.mp3"), nowhere));
    EXPECT_FALSE(QFileInfo::exists(tmp.path("missing")));
}

TEST_F(TransportTest, ADownloadLeavesTheDisksReserveFree)
{
    TempDir tmp;
    writeBytes(tmp.path("s.mp3"), "older copy");
    RawHttpServer server([](int fd, const std::string &) {
        RawHttpServer::send(fd, httpAnswer(200, std::string(4000000, 'b')));
    });
    // Far from the edges, as other programs change the free space meanwhile.
    const qint64 available = QStorageInfo(tmp.dir.path()).bytesAvailable();
    DownloadOptions full;
    full.freeSpaceReserve = available + (qint64(1) << 30);
    EXPECT_FALSE(http.DownloadToFile(tmp.path("s.mp3"), local(server, "/s.mp3"), full));
    EXPECT_EQ(server.connections(), 0) << "the free space is checked before connecting";
    DownloadOptions nearlyFull;
    nearlyFull.freeSpaceReserve = available - 100000;
    EXPECT_FALSE(http.DownloadToFile(tmp.path("s.mp3"), local(server, "/s.mp3"), nearlyFull));
    EXPECT_EQ(readBytes(tmp.path("s.mp3")), "older copy");
    EXPECT_EQ(QDir(tmp.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"s.mp3"});
    ASSERT_TRUE(http.DownloadToFile(tmp.path("s.mp3"), local(server, "/s.mp3")));
    EXPECT_EQ(readBytes(tmp.path("s.mp3")).size(), 4000000);
}

TEST_F(TransportTest, DownloadReportsItsProgress)
{
    TempDir tmp;
    RawHttpServer server([&](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 6000\r\n\r\n" + std::string(3000, 'a'));
        server.pause(500);
        RawHttpServer::send(fd, std::string(3000, 'b'));
    });
    QList<std::pair<qint64, qint64>> seen;
    DownloadOptions options;
    options.progress = [&](qint64 received, qint64 total) { seen.append({received, total}); };
    ASSERT_TRUE(http.DownloadToFile(tmp.path("p.mp3"), local(server, "/p.mp3"), options));
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_TRUE(seen.contains(std::pair<qint64, qint64>(3000, 6000)));
    for (const auto &[received, total] : seen) {
        EXPECT_LE(received, 6000);
        EXPECT_TRUE(total == 6000 || total == -1) << total;
    }
}

TEST_F(TransportTest, DownloadAppliesTheAddressSubstitution)
{
    TempDir tmp;
    RawHttpServer server([](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, "song")); });
    setAddressSubstitution({"music.example.jp", QStringLiteral("127.0.0.1:%1").arg(server.port())});
    const bool ok = http.DownloadToFile(tmp.path("s.mp3"), "https://music.example.jp/songs/s.mp3");
    setAddressSubstitution({});
    ASSERT_TRUE(ok);
    EXPECT_EQ(server.lastRequest().rfind("GET /songs/s.mp3 HTTP/1.1\r\n", 0), 0u) << server.lastRequest();
}

TEST_F(TransportTest, PostSendsExactlyWhatTheServiceExpects)
{
    RawHttpServer server([](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, "ok")); });
    const QString host = QStringLiteral("127.0.0.1:%1").arg(server.port());
    http.setAddressing(ServiceAddressing::forHost(host, "/test/center2.fws"));
    const QByteArray body("TOKEN\rrandom\x82\xa0", 15);
    int status = 0;
    ASSERT_TRUE(http.PostToService(body, "/mp3count", &status));
    EXPECT_EQ(status, 200);
    const std::string request = server.lastRequest();
    const std::string head = request.substr(0, request.find("\r\n\r\n") + 2);
    EXPECT_EQ(request.rfind("POST /test/center2.fws/mp3count HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(head.find("User-Agent: WININET Sample Program\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Referer: http://" + host.toStdString() + "/kalvuno/\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Host: " + host.toStdString() + "\r\n"), std::string::npos) << head;
    EXPECT_EQ(head.find("Content-Type"), std::string::npos) << head;
    EXPECT_EQ(head.find("Expect"), std::string::npos) << head;
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), body.toStdString());
}

TEST_F(TransportTest, PostToAHangingServerEndsAtTheTimeLimit)
{
    RawHttpServer server([&](int, const std::string &) { server.pause(5000); });
    http.setAddressing(ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(http.PostToService("x", "/send"));
    EXPECT_LT(timer.elapsed(), 4000);
}

TEST_F(TransportTest, ServiceQueriesCarryTypedValuesSafely)
{
    RawHttpServer server([](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, "")); });
    http.setAddressing(ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
    QStringList lines;
    ASSERT_TRUE(http.GetLines(lines, http.addressing().baseUrl + u"/search?Artist=曲 #1+%41?&Max=10"_qs));
    EXPECT_EQ(server.lastRequest().rfind("GET /kalvuno/center2.fws/search?Artist=%8B%C8%20%231%2B%2541%3F&Max=10 HTTP/1.1\r\n", 0),
              0u)
        << server.lastRequest();
    // Other URLs are already URLs: only what a URL cannot carry is encoded.
    ASSERT_TRUE(http.GetLines(lines, local(server, "/a%41 b.mp3?x=1+2")));
    EXPECT_EQ(server.lastRequest().rfind("GET /a%41%20b.mp3?x=1+2 HTTP/1.1\r\n", 0), 0u) << server.lastRequest();
}

TEST(SubstituteAddress, Table)
{
    struct Case
    {
        const char *domain;
        const char *address;
        QString url;
        QString expected;
    };
    const QString longTail(250, u'a');
    const Case cases[] = {
        {"", "10.0.0.2", "http://d.jp/a.mp3", "http://d.jp/a.mp3"},
        {"d.jp", "10.0.0.2", "http://d.jp/music/a.mp3", "http://10.0.0.2/music/a.mp3"},
        {"d.jp", "10.0.0.2", "https://d.jp:8080/a.mp3", "http://10.0.0.2:8080/a.mp3"},
        {"d.jp", "10.0.0.2", "http://other.com/mirror/d.jp/a.mp3", "http://10.0.0.2/a.mp3"},
        {"d.jp", "10.0.0.2", "http://D.JP/a.mp3", "http://D.JP/a.mp3"},
        {"d.jp", "10.0.0.2", "http://x.jp/a.mp3", "http://x.jp/a.mp3"},
        {"d.jp", "10.0.0.2", "http://d.jp/" + longTail, "http://10.0.0.2/" + longTail.left(199)},
    };
    for (const Case &c : cases) {
        setAddressSubstitution({c.domain, c.address});
        QString url = c.url;
        SubstituteAddress(url);
        EXPECT_EQ(url, c.expected) << c.url.toStdString();
    }
    setAddressSubstitution({});
}

} // namespace
