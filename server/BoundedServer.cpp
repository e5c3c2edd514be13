#include "BoundedServer.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace kalvuno::server {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// While it waits for the next request a connection looks this often whether
// the server is stopping.
constexpr milliseconds kStopCheck(100);

int toMilliseconds(time_t sec, time_t usec) { return int(std::min<time_t>(sec * 1000 + usec / 1000, 1 << 30)); }

// Waits until the socket has an event of these; false on a timeout or an error.
bool waitFor(int sock, short events, int timeoutMs)
{
    pollfd p{sock, events, 0};
    int n = 0;
    do
        n = ::poll(&p, 1, std::max(timeoutMs, 0));
    while (n < 0 && errno == EINTR);
    return n > 0 && (p.revents & events);
}

bool peerOrLocal(int sock, bool peer, std::string &ip, int &port)
{
    sockaddr_storage addr{};
    socklen_t length = sizeof addr;
    sockaddr *a = reinterpret_cast<sockaddr *>(&addr);
    if ((peer ? ::getpeername(sock, a, &length) : ::getsockname(sock, a, &length)) != 0)
        return false;
    if (addr.ss_family == AF_INET)
        port = ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
    else if (addr.ss_family == AF_INET6)
        port = ntohs(reinterpret_cast<sockaddr_in6 *>(&addr)->sin6_port);
    else
        return false;
    std::array<char, NI_MAXHOST> host{};
    if (::getnameinfo(a, length, host.data(), socklen_t(host.size()), nullptr, 0, NI_NUMERICHOST) != 0)
        return false;
    ip = host.data();
    return true;
}

// A connection's socket as the HTTP library reads and writes it, buffered,
// with a deadline for the request line and headers on top of the gap timeouts.
class RequestStream : public httplib::Stream
{
public:
    RequestStream(int sock, int readGapMs, int writeGapMs)
        : m_sock(sock), m_readGapMs(readGapMs), m_writeGapMs(writeGapMs)
    {
    }

    // The next request's first byte is here (or buffered): its headers must
    // be complete by the deadline.
    void startRequest(Clock::time_point deadline) { m_headerDeadline = deadline; }
    void headersDone() { m_headerDeadline.reset(); }
    bool hasBuffered() const { return m_begin < m_end; }

    bool is_readable() const override { return hasBuffered() || waitFor(m_sock, POLLIN, readWaitMs()); }
    bool is_writable() const override { return waitFor(m_sock, POLLOUT, m_writeGapMs); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (!hasBuffered()) {
            if (!waitFor(m_sock, POLLIN, readWaitMs()))
                return -1;
            // Small reads (the library reads headers byte by byte) go through the buffer.
            if (size >= m_buffer.size())
                return receive(ptr, size);
            const ssize_t n = receive(m_buffer.data(), m_buffer.size());
            if (n <= 0)
                return n;
            m_begin = 0;
            m_end = size_t(n);
        }
        const size_t n = std::min(size, m_end - m_begin);
        std::memcpy(ptr, m_buffer.data() + m_begin, n);
        m_begin += n;
        return ssize_t(n);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        if (!is_writable())
            return -1;
        ssize_t n = 0;
        do
            n = ::send(m_sock, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override { peerOrLocal(m_sock, true, ip, port); }
    void get_local_ip_and_port(std::string &ip, int &port) const override { peerOrLocal(m_sock, false, ip, port); }
    socket_t socket() const override { return m_sock; }

private:
    // The gap timeout, cut short by the header deadline while that runs.
    int readWaitMs() const
    {
        if (!m_headerDeadline)
            return m_readGapMs;
        const auto left = std::chrono::duration_cast<milliseconds>(*m_headerDeadline - Clock::now()).count();
        return int(std::clamp<int64_t>(left, 0, m_readGapMs));
    }

    ssize_t receive(char *ptr, size_t size)
    {
        ssize_t n = 0;
        do
            n = ::recv(m_sock, ptr, size, 0);
        while (n < 0 && errno == EINTR);
        return n;
    }

    int m_sock;
    int m_readGapMs;
    int m_writeGapMs;
    std::optional<Clock::time_point> m_headerDeadline;
    std::array<char, 4096> m_buffer{};
    size_t m_begin = 0;
    size_t m_end = 0;
};

} // namespace

bool BoundedServer::process_and_close_socket(socket_t sock)
{
    RequestStream stream(sock, toMilliseconds(read_timeout_sec_, read_timeout_usec_),
                         toMilliseconds(write_timeout_sec_, write_timeout_usec_));
    const milliseconds keepAlive(toMilliseconds(keep_alive_timeout_sec_, 0));
    bool ok = false;
    for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
        // Between requests: the keep-alive timeout, looking now and then
        // whether the server is stopping.
        const auto idleEnd = Clock::now() + keepAlive;
        bool ready = stream.hasBuffered();
        while (!ready && svr_sock_ != INVALID_SOCKET) {
            const auto wait = std::min(kStopCheck, std::chrono::duration_cast<milliseconds>(idleEnd - Clock::now()));
            if (wait.count() <= 0)
                break;
            ready = waitFor(sock, POLLIN, int(wait.count()));
        }
        if (!ready)
            break;
        stream.startRequest(Clock::now() + m_headerLimit);
        bool closed = false;
        ok = process_request(stream, left == 1, closed, [&stream](httplib::Request &) { stream.headersDone(); });
        if (!ok || closed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

} // namespace kalvuno::server
