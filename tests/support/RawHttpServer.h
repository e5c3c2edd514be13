#pragma once

// A bare HTTP server on 127.0.0.1 for transport tests: it hands every
// request, as raw bytes, to the test's handler, which writes the raw answer.
#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

class RawHttpServer
{
public:
    using Handler = std::function<void(int fd, const std::string &request)>;

    explicit RawHttpServer(Handler handler) : m_handler(std::move(handler))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        int on = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(m_listen, 8);
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~RawHttpServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }
    int port() const { return m_port; }
    std::string lastRequest() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_last;
    }
    bool stopping() const { return m_stop; }
    // How many connections the server has taken so far.
    int connections() const { return m_connections; }

    static void send(int fd, const std::string &bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += size_t(n);
        }
    }
    // Makes the close that follows the handler a reset (RST) instead of an
    // orderly end of the stream.
    static void resetOnClose(int fd)
    {
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    // Waits up to ms, returning early when the server is being stopped.
    void pause(int ms) const
    {
        for (int waited = 0; waited < ms && !m_stop; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    void run()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++m_connections;
            const std::string request = readRequest(fd);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_last = request;
            }
            m_handler(fd, request);
            ::close(fd);
        }
    }
    static std::string readRequest(int fd)
    {
        std::string data;
        char buf[4096];
        size_t bodyWanted = std::string::npos;
        size_t headerEnd = std::string::npos;
        while (true) {
            if (headerEnd != std::string::npos && data.size() >= headerEnd + bodyWanted)
                break;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 2000) <= 0)
                break;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            data.append(buf, size_t(n));
            if (headerEnd == std::string::npos) {
                const size_t end = data.find("\r\n\r\n");
                if (end != std::string::npos) {
                    headerEnd = end + 4;
                    const size_t cl = data.find("Content-Length: ");
                    bodyWanted = (cl != std::string::npos && cl < end) ? std::stoul(data.substr(cl + 16)) : 0;
                }
            }
        }
        return data;
    }

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_last;
};

inline std::string httpAnswer(int status, const std::string &body)
{
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
}
