#pragma once

// The bundled library service on 127.0.0.1, in the test's own process, over
// an SQLite catalog and a media folder in a temporary folder. A test lays
// out its media and songs, then starts it.
#include "CatalogStore.h"
#include "HttpFrontEnd.h"
#include "LibraryService.h"
#include "MemoryLibrary.h"
#include "TempDir.h"

#include <QDir>
#include <memory>
#include <thread>

struct InProcessService
{
    TempDir tmp;
    kalvuno::server::CatalogStore store;
    std::unique_ptr<kalvuno::server::MemoryLibrary> library;
    std::unique_ptr<kalvuno::server::LibraryService> service;
    std::unique_ptr<kalvuno::server::HttpFrontEnd> frontEnd;
    std::thread thread;
    int port = 0;

    InProcessService()
    {
        QDir().mkpath(tmp.path("media"));
        store.open(tmp.path("catalog.db").toStdString());
    }
    ~InProcessService()
    {
        if (!frontEnd)
            return;
        frontEnd->stop();
        thread.join();
    }
    std::string mediaFolder() const { return tmp.path("media").toStdString(); }
    // Serves what the store holds from now on.
    void start()
    {
        library = std::make_unique<kalvuno::server::MemoryLibrary>(store, kalvuno::server::MemoryLibrary::Options{});
        service = std::make_unique<kalvuno::server::LibraryService>(*library);
        frontEnd = std::make_unique<kalvuno::server::HttpFrontEnd>(*service, mediaFolder());
        // The test is the maintainer of its own service.
        kalvuno::server::MaintenanceAccess access;
        access.addMaintainers("127.0.0.1");
        frontEnd->setMaintenanceAccess(std::move(access));
        port = frontEnd->bind("127.0.0.1", 0);
        thread = std::thread([this] { frontEnd->run(); });
    }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
};
