#pragma once

#include <httplib.h>

#include <chrono>

namespace kalvuno::server {

// The HTTP library times out only the gaps between the bytes of a request: a
// client that sends a header byte every few seconds holds its connection and
// its worker for as long as it likes. This server runs each connection itself
// and closes it when a request's line and headers have not all arrived within
// headerLimit of the request's first byte. A request body may still come
// slowly; only its gaps are bounded, by the read timeout.
class BoundedServer : public httplib::Server
{
public:
    explicit BoundedServer(std::chrono::milliseconds headerLimit) : m_headerLimit(headerLimit) {}

private:
    bool process_and_close_socket(socket_t sock) override;

    std::chrono::milliseconds m_headerLimit;
};

} // namespace kalvuno::server
