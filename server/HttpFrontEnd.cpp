#include "HttpFrontEnd.h"

#include "BoundedServer.h"
#include "QueryText.h"
#include "WorkerPool.h"

#include <httplib.h>
#include <sys/socket.h>

namespace kalvuno::server {

namespace {

constexpr size_t kMinWorkers = 16;
constexpr size_t kMaxWorkers = 4096;
constexpr time_t kIdleSeconds = 5; // between requests, and between the bytes of one
// From a request's first byte to the end of its headers, however the bytes trickle in.
constexpr std::chrono::seconds kHeaderTime(5);

constexpr const char *kCommandPath = R"(/(?:kalvuno|test)/center2\.fws/([A-Za-z0-9]+))";

void send(httplib::Response &res, const Reply &reply)
{
    res.status = reply.status;
    res.set_content(reply.body, reply.contentType.c_str());
}

// Every X-Forwarded-For header of the request, in order, as one list.
std::string forwardedFor(const httplib::Request &req)
{
    std::string list;
    const size_t count = req.get_header_value_count("X-Forwarded-For");
    for (size_t i = 0; i < count; ++i)
        list += (i ? "," : "") + req.get_header_value("X-Forwarded-For", i);
    return list;
}

} // namespace

HttpFrontEnd::HttpFrontEnd(LibraryService &service, const std::string &mediaDir)
    : m_service(service), m_server(std::make_unique<BoundedServer>(kHeaderTime))
{
    httplib::Server &s = *m_server;
    // A connection holds a worker while it is open: the pool grows with the
    // connections, and idle or stalled ones are let go after a few seconds.
    // Connections per client address are not capped: behind a proxy or NAT
    // many listeners share one.
    s.new_task_queue = [] { return new WorkerPool(kMinWorkers, kMaxWorkers); };
    s.set_socket_options([this](int sock) {
        httplib::default_socket_options(sock);
        m_listenSocket = sock;
    });
    s.set_keep_alive_max_count(100000);
    s.set_tcp_nodelay(true); // headers and body go out in two writes: no Nagle delay between them
    s.set_keep_alive_timeout(kIdleSeconds);
    s.set_payload_max_length(kMaxUploadBytes);
    s.set_read_timeout(kIdleSeconds);
    s.set_write_timeout(kIdleSeconds);

    const auto hostOf = [this](const httplib::Request &req) {
        const std::string host = req.get_header_value("Host");
        return host.empty() ? m_address + ":" + std::to_string(m_port) : host;
    };

    s.Get(kCommandPath, [this, hostOf](const httplib::Request &req, httplib::Response &res) {
        const std::string command = req.matches[1];
        const std::string_view query = queryOf(req.target);
        if (command == "search")
            send(res, m_service.search(query, hostOf(req)));
        else if (command == "aid")
            send(res, m_service.accessId());
        else if (command == "sid")
            send(res, m_service.songId());
        else if (command != "hide" && command != "nofile" && command != "nofileall")
            send(res, {404, "unknown command\r\n"});
        else if (!m_maintenance.allows(req.remote_addr, forwardedFor(req)))
            send(res, {403, "maintenance commands are not allowed from this address\r\n"});
        else if (command == "hide")
            send(res, m_service.hide(query));
        else
            send(res, m_service.noFile(query));
    });
    s.Post(kCommandPath, [this](const httplib::Request &req, httplib::Response &res) {
        const std::string command = req.matches[1];
        if (command == "mp3count")
            send(res, m_service.playCount(req.body));
        else if (command == "send")
            send(res, m_service.sendSongList(req.body));
        else
            send(res, {404, "unknown command\r\n"});
    });
    s.Get("/kalvuno/top.html",
          [this, hostOf](const httplib::Request &req, httplib::Response &res) { send(res, m_service.topPage(hostOf(req))); });
    // The mount refuses paths that leave the folder ("..").
    s.set_mount_point("/kalvuno/media", mediaDir);
    s.set_file_extension_and_mimetype_mapping("mid", "audio/midi");
    s.set_file_extension_and_mimetype_mapping("mpg", "video/mpeg");
    s.set_file_extension_and_mimetype_mapping("avi", "video/x-msvideo");
    s.set_error_handler([](const httplib::Request &, httplib::Response &res) {
        if (res.body.empty())
            res.set_content("error " + std::to_string(res.status) + "\r\n", "text/plain");
    });
}

HttpFrontEnd::~HttpFrontEnd() = default;

int HttpFrontEnd::bind(const std::string &address, int port)
{
    m_address = address;
    if (port == 0)
        m_port = m_server->bind_to_any_port(address);
    else
        m_port = m_server->bind_to_port(address, port) ? port : -1;
    // The HTTP library listens with a tiny backlog: a burst of new connections
    // would wait for SYN retries (seconds). Listening again only raises it.
    if (m_port >= 0 && m_listenSocket >= 0)
        ::listen(m_listenSocket, SOMAXCONN);
    return m_port;
}

bool HttpFrontEnd::run() { return m_server->listen_after_bind(); }

void HttpFrontEnd::stop() { m_server->stop(); }

} // namespace kalvuno::server
