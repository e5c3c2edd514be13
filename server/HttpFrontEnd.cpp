#include "HttpFrontEnd.h"

#include "QueryText.h"

#include <httplib.h>

namespace kalvuno::server {

namespace {

constexpr const char *kCommandPath = R"(/(?:kalvuno|test)/center2\.fws/([A-Za-z0-9]+))";

void send(httplib::Response &res, const Reply &reply)
{
    res.status = reply.status;
    res.set_content(reply.body, reply.contentType.c_str());
}

} // namespace

HttpFrontEnd::HttpFrontEnd(LibraryService &service, const std::string &mediaDir)
    : m_service(service), m_server(std::make_unique<httplib::Server>())
{
    httplib::Server &s = *m_server;
    // Enough workers and kept-alive connections for many clients at once.
    s.new_task_queue = [] { return new httplib::ThreadPool(16); };
    s.set_keep_alive_max_count(100000);
    s.set_tcp_nodelay(true); // headers and body go out in two writes: no Nagle delay between them
    s.set_keep_alive_timeout(30);
    s.set_payload_max_length(kMaxUploadBytes);
    s.set_read_timeout(30);
    s.set_write_timeout(30);

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
        else if (command == "hide")
            send(res, m_service.hide(query));
        else if (command == "nofile" || command == "nofileall")
            send(res, m_service.noFile(query));
        else
            send(res, {404, "unknown command\r\n"});
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
    return m_port;
}

bool HttpFrontEnd::run() { return m_server->listen_after_bind(); }

void HttpFrontEnd::stop() { m_server->stop(); }

} // namespace kalvuno::server
