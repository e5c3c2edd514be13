// Idle and slow connections must not keep searches waiting.
#include "ServiceFixture.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

using namespace kalvuno::server;

namespace {

constexpr int kConnections = 200;

// A TCP connection to the service that the test drives byte by byte.
class RawConnection
{
public:
    explicit RawConnection(int port) : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(uint16_t(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    }
    ~RawConnection() { ::close(m_fd); }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    bool connected() const { return m_connected; }
    bool send(const std::string &bytes)
    {
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // True when the service closed the connection within the time (after
    // any answer it gave).
    bool closedWithin(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (true) {
            const auto now = std::chrono::steady_clock::now();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            pollfd p{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
                return false;
            char buffer[256];
            if (::recv(m_fd, buffer, sizeof buffer, 0) <= 0)
                return true;
        }
    }

private:
    int m_fd;
    bool m_connected = false;
};

std::vector<Song> songs()
{
    return {makeSong("b000000100000000", "Morning", "Emi", Kind::Mp3, 1),
            makeSong("b000000200000000", "Evening", "Emi", Kind::Mp3, 2)};
}

struct Case
{
    const char *name;
    std::string opening;   // sent once on every connection
    bool dripsOneBytePerSecond;
    bool letGo; // the service closes such a connection after a few seconds
};

TEST(Connections, IdleAndSlowClientsLeaveSearchesAnswered)
{
    const Case cases[] = {
        {"silent connections", "", false, true},
        {"headers never finished", "GET /kalvuno/center2.fws/search?Max=1 HTTP/1.1\r\nHost: a\r\n", false, true},
        // Every gap is short, but the headers never end.
        {"headers at one byte a second", "GET /kalvuno/center2.fws/search?Max=1 HTTP/1.1\r\nX-Slow: ", true, true},
        // A body may come slowly: only its gaps are bounded.
        {"uploads at one byte a second",
         "POST /kalvuno/center2.fws/send HTTP/1.1\r\nHost: a\r\nContent-Length: 1000\r\n\r\n", true, false},
    };
    for (const Case &c : cases) {
        ServiceFixture service(songs());
        // A search must come back well before any idle limit would free a worker.
        service.client->set_read_timeout(3);
        service.client->set_connection_timeout(3);
        std::vector<std::unique_ptr<RawConnection>> held;
        for (int i = 0; i < kConnections; ++i) {
            held.push_back(std::make_unique<RawConnection>(service.port));
            ASSERT_TRUE(held.back()->connected()) << c.name;
            if (!c.opening.empty())
                held.back()->send(c.opening);
        }
        std::atomic<bool> done = false;
        std::thread drip([&] {
            while (c.dripsOneBytePerSecond && !done) {
                for (auto &connection : held)
                    connection->send("x");
                for (int i = 0; i < 10 && !done; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the service takes them all in
        int status = 0;
        const std::string answer = service.get("/kalvuno/center2.fws/search?Max=5&Sort=New&Open=1", &status);
        EXPECT_EQ(status, 200) << c.name;
        EXPECT_NE(answer.find("[b000000200000000]"), std::string::npos) << c.name;
        // Held without complete headers, a connection is let go after a few
        // seconds, while its bytes are still coming.
        if (c.letGo)
            EXPECT_TRUE(held.front()->closedWithin(std::chrono::seconds(15))) << c.name;
        else
            EXPECT_FALSE(held.front()->closedWithin(std::chrono::seconds(7))) << c.name;
        done = true;
        drip.join();
    }
}

} // namespace
