#pragma once

#include "LibraryService.h"
#include "MaintenanceAccess.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace kalvuno::server {

// The service's HTTP side: the commands under both script paths, the start
// page, and the demo media.
class HttpFrontEnd
{
public:
    HttpFrontEnd(LibraryService &service, const std::string &mediaDir);
    ~HttpFrontEnd();

    // Who may use hide, no-file and no-file-all; nobody until this is called.
    // Set before run().
    void setMaintenanceAccess(MaintenanceAccess access) { m_maintenance = std::move(access); }

    // Binds the address; port 0 picks a free one. Returns the port, or -1.
    int bind(const std::string &address, int port);
    // Serves until stop() is called.
    bool run();
    void stop();

private:
    LibraryService &m_service;
    std::unique_ptr<httplib::Server> m_server;
    std::string m_address;
    int m_port = 0;
    int m_listenSocket = -1;
    MaintenanceAccess m_maintenance;
};

} // namespace kalvuno::server
