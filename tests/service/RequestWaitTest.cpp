#include "BusyIndicator.h"
#include "HttpTransport.h"
#include "RawHttpServer.h"
#include "TempDir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace kalvuno;

namespace {

// A stalled server holds its connection this long: a request that ends much
// sooner was ended by something else.
constexpr int kStallMs = 20000;
// Well below both the stall and the transport's 30 s limit.
constexpr qint64 kPromptMs = 10000;

QString local(const RawHttpServer &server, const char *path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(QString::fromUtf8(path));
}

// GETs get the head and the first part of a long body, POSTs nothing at all;
// then the server waits.
void stall(const RawHttpServer &server, int fd, const std::string &request)
{
    if (request.rfind("GET ", 0) == 0)
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nfirst\r\n");
    server.pause(kStallMs);
}

struct Request
{
    const char *what;
    std::function<bool(HttpTransport &, const RawHttpServer &, const TempDir &)> run;
};

const Request kRequests[] = {
    {"GET",
     [](HttpTransport &http, const RawHttpServer &server, const TempDir &) {
         QStringList lines;
         return http.GetLines(lines, local(server, "/search"));
     }},
    {"download",
     [](HttpTransport &http, const RawHttpServer &server, const TempDir &tmp) {
         return http.DownloadToFile(tmp.path("song.mp3"), local(server, "/song.mp3"));
     }},
    {"POST",
     [](HttpTransport &http, const RawHttpServer &server, const TempDir &) {
         http.setAddressing(
             ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
         return http.PostToService("body", "/mp3count");
     }},
};

struct RequestWaitTest : ::testing::Test
{
    void TearDown() override
    {
        HttpTransport::setWaitHook({});
        HttpTransport::resetAbort();
    }
    SystemClock clock;
    TempDir tmp;
};

TEST_F(RequestWaitTest, TheHookRunsWhileAServerStallsAndTheProgramShowsBusy)
{
    HttpTransport http(clock, 1000);
    for (const Request &r : kRequests) {
        RawHttpServer server([&](int fd, const std::string &request) { stall(server, fd, request); });
        int calls = 0;
        bool alwaysBusy = true;
        HttpTransport::setWaitHook([&] {
            ++calls;
            alwaysBusy = alwaysBusy && BusyScope::active();
        });
        r.run(http, server, tmp);
        // About fifty in the second the limit allows; a handful proves it keeps coming.
        EXPECT_GE(calls, 10) << r.what;
        EXPECT_TRUE(alwaysBusy) << r.what;
        EXPECT_FALSE(BusyScope::active()) << r.what;
    }
}

TEST_F(RequestWaitTest, AbortEndsAWaitingRequestAsAFailure)
{
    HttpTransport http(clock);
    for (const Request &r : kRequests) {
        for (const bool fromHook : {true, false}) {
            HttpTransport::resetAbort();
            RawHttpServer server([&](int fd, const std::string &request) { stall(server, fd, request); });
            int calls = 0;
            std::thread other;
            if (fromHook) {
                HttpTransport::setWaitHook([&] {
                    if (++calls == 3)
                        HttpTransport::abortAll();
                });
            } else {
                HttpTransport::setWaitHook({});
                other = std::thread([] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                    HttpTransport::abortAll();
                });
            }
            QElapsedTimer timer;
            timer.start();
            EXPECT_FALSE(r.run(http, server, tmp)) << r.what << fromHook;
            EXPECT_LT(timer.elapsed(), kPromptMs) << r.what << fromHook;
            if (other.joinable())
                other.join();
            // Once aborted, the request no longer waits.
            if (fromHook) {
                EXPECT_EQ(calls, 3) << r.what;
            }
        }
    }
}

TEST_F(RequestWaitTest, AfterAnAbortNoRequestReachesTheNetwork)
{
    HttpTransport http(clock);
    RawHttpServer server([](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, "ok")); });
    int calls = 0;
    HttpTransport::setWaitHook([&] { ++calls; });
    HttpTransport::abortAll();
    for (const Request &r : kRequests)
        EXPECT_FALSE(r.run(http, server, tmp)) << r.what;
    EXPECT_EQ(calls, 0);

    // The server takes connections in order: had any request above connected,
    // it would be counted before this one.
    HttpTransport::resetAbort();
    QStringList lines;
    ASSERT_TRUE(http.GetLines(lines, local(server, "/after")));
    EXPECT_EQ(lines, QStringList{"ok"});
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(RequestWaitTest, ARequestStartedFromTheHookRunsBesideTheWaitingOne)
{
    HttpTransport http(clock);
    RawHttpServer inner([](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, "inner\r\n")); });
    RawHttpServer outer([&](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nfirst\r\n");
        outer.pause(300);
        RawHttpServer::send(fd, "second\r\n");
    });
    int nested = 0;
    bool nestedOk = false;
    bool nestedComplete = false;
    QStringList nestedLines;
    HttpTransport::setWaitHook([&] {
        // The nested request waits too and calls the hook again: start only one.
        if (nested++ == 0)
            nestedOk = http.GetLines(nestedLines, local(inner, "/inner"), nullptr, &nestedComplete);
    });
    QStringList lines;
    bool complete = false;
    ASSERT_TRUE(http.GetLines(lines, local(outer, "/outer"), nullptr, &complete));
    EXPECT_TRUE(complete);
    EXPECT_EQ(lines, (QStringList{"first", "second"}));
    ASSERT_GT(nested, 0);
    EXPECT_TRUE(nestedOk);
    EXPECT_TRUE(nestedComplete);
    EXPECT_EQ(nestedLines, QStringList{"inner"});
}

// A download on a worker thread must never run the window's events nor show
// it busy; the program's close still ends it at once.
TEST_F(RequestWaitTest, RequestsOfOtherThreadsRunWithoutTheHookAndTheBusyScope)
{
    struct Case
    {
        const char *what;
        bool onWorker;
        bool background;
        bool abortFromHere; // else the request's own cancel flag ends it
    };
    const Case cases[] = {
        {"another thread, ended by abortAll", true, false, true},
        {"another thread in the background, ended by its cancel flag", true, true, false},
        {"the hook's thread in the background", false, true, false},
    };
    HttpTransport http(clock);
    for (const Case &c : cases) {
        HttpTransport::resetAbort();
        RawHttpServer server([&](int fd, const std::string &request) { stall(server, fd, request); });
        std::atomic<int> hookCalls{0};
        std::atomic<bool> busySeen{false};
        std::atomic<bool> cancel{false};
        std::atomic<bool> done{false};
        bool ok = true;
        HttpTransport::setWaitHook([&] { ++hookCalls; });
        const auto download = [&] {
            DownloadOptions options;
            options.background = c.background;
            options.cancel = &cancel;
            options.progress = [&](qint64, qint64) { busySeen = busySeen || BusyScope::active(); };
            ok = http.DownloadToFile(tmp.path("song.mp3"), local(server, "/song.mp3"), options);
            done = true;
        };
        const auto end = [&] {
            if (c.abortFromHere)
                HttpTransport::abortAll();
            else
                cancel = true;
        };
        QElapsedTimer timer;
        timer.start();
        if (c.onWorker) {
            std::thread worker(download);
            // Meanwhile this thread is the user interface: it sees no busy scope.
            while (timer.elapsed() < 500) {
                busySeen = busySeen || BusyScope::active();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            end();
            worker.join();
        } else {
            std::thread ender([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                end();
            });
            download();
            ender.join();
        }
        EXPECT_TRUE(done) << c.what;
        EXPECT_FALSE(ok) << c.what;
        EXPECT_LT(timer.elapsed(), 1500) << c.what;
        EXPECT_EQ(hookCalls, 0) << c.what;
        EXPECT_FALSE(busySeen) << c.what;
        EXPECT_FALSE(QFileInfo::exists(tmp.path("song.mp3"))) << c.what;
    }
}

} // namespace
