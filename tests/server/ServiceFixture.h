#pragma once

// A library service on an ephemeral port of 127.0.0.1, with a small catalog
// the test lays out in a store of either kind, reached over real sockets.
#include "HttpFrontEnd.h"
#include "LibraryService.h"
#include "StoreUnderTest.h"

#include <httplib.h>
#include <memory>
#include <thread>

namespace kalvuno::server {

inline constexpr int32_t kToday = 46366; // 10 December 2026

inline Song makeSong(const std::string &id, const std::string &title, const std::string &artist, Kind kind = Kind::Mp3,
                     int64_t added = 0)
{
    Song s;
    s.id = id;
    s.title = title;
    s.artist = artist;
    s.genre = "Pop";
    s.media = "/kalvuno/media/" + id + "." + kindName(kind);
    s.home = "http://example.jp/" + artist + "/";
    s.kind = kind;
    s.added = added;
    return s;
}

class ServiceFixture
{
public:
    // maintainers, trustedProxies: as the service's --maintenance-from and --trusted-proxy.
    explicit ServiceFixture(const std::vector<Song> &songs, StoreKind kind = StoreKind::Sqlite,
                            const std::string &maintainers = "127.0.0.1", const std::string &trustedProxies = "")
        : store(kind)
    {
        if (!store.unavailable().empty() || !store.failure().empty())
            return;
        store.insertSongs(songs);
        library = store.open([] { return kToday; });
        service = std::make_unique<LibraryService>(*library, [] { return kToday; });
        frontEnd = std::make_unique<HttpFrontEnd>(*service, store.mediaDir());
        MaintenanceAccess access;
        if (!maintainers.empty())
            access.addMaintainers(maintainers);
        if (!trustedProxies.empty())
            access.addTrustedProxies(trustedProxies);
        frontEnd->setMaintenanceAccess(std::move(access));
        port = frontEnd->bind("127.0.0.1", 0);
        thread = std::thread([this] { frontEnd->run(); });
        client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_read_timeout(10);
        client->set_url_encode(false); // request lines go out exactly as the tests write them
    }
    ~ServiceFixture()
    {
        if (!frontEnd)
            return;
        frontEnd->stop();
        thread.join();
    }
    std::string host() const { return "127.0.0.1:" + std::to_string(port); }

    // A GET of the service; the status goes to *status.
    std::string get(const std::string &path, int *status = nullptr, const httplib::Headers &headers = {})
    {
        auto res = client->Get(path, headers);
        if (status)
            *status = res ? res->status : 0;
        return res ? res->body : std::string();
    }
    int post(const std::string &path, const std::string &body)
    {
        auto res = client->Post(path, body, "");
        return res ? res->status : 0;
    }

    StoreUnderTest store;
    std::unique_ptr<LibraryStore> library;
    std::unique_ptr<LibraryService> service;
    std::unique_ptr<HttpFrontEnd> frontEnd;
    int port = 0;
    std::thread thread;
    std::unique_ptr<httplib::Client> client;
};

} // namespace kalvuno::server
