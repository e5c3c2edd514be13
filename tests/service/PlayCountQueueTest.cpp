#include "HttpTransport.h"
#include "PlayCountQueue.h"
#include "RawHttpServer.h"
#include "RequestToken.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>

using namespace kalvuno;

namespace {

ServiceAddressing addressingOf(const RawHttpServer &server)
{
    return ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws");
}

TEST(PlayCountQueue, ReportsReachASlowServiceInOrderWithoutHoldingUpTheSender)
{
    std::mutex lock;
    std::vector<std::string> bodies;
    RawHttpServer server([&](int fd, const std::string &request) {
        QThread::msleep(200);
        {
            std::lock_guard<std::mutex> guard(lock);
            bodies.push_back(request.substr(request.find("\r\n\r\n") + 4));
        }
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    SystemClock clock;
    HttpTransport http{clock, 5000};
    http.setAddressing(addressingOf(server));
    const std::vector<std::string> keys{"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "cccccccccccccccc"};
    PlayCountQueue queue;
    for (const std::string &key : keys)
        queue.send(http, QString::fromStdString(key));
    EXPECT_FALSE(queue.waitUntilSent(0)) << "the sender waited for the service";
    ASSERT_TRUE(queue.waitUntilSent(10000));

    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(bodies.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const size_t cut = bodies[i].find('\r');
        ASSERT_NE(cut, std::string::npos) << bodies[i];
        EXPECT_EQ(bodies[i].substr(0, cut), makeRequestToken(keys[i], bodies[i].substr(cut + 1), todayDayNumber()))
            << "report " << i << " is not for " << keys[i];
    }
}

TEST(PlayCountQueue, ASilentServiceDoesNotHoldUpTheEnd)
{
    RawHttpServer server([&](int, const std::string &) { server.pause(15000); });
    SystemClock clock;
    HttpTransport http{clock}; // the program's 30 s limit
    http.setAddressing(addressingOf(server));
    QElapsedTimer timer;
    {
        PlayCountQueue queue;
        queue.send(http, QStringLiteral("aaaaaaaaaaaaaaaa"));
        queue.send(http, QStringLiteral("bbbbbbbbbbbbbbbb"));
        timer.start();
    }
    EXPECT_LT(timer.elapsed(), kPlayCountDrainMs + 3000);
}

} // namespace
