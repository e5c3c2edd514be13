// kalvuno-service: the library service the jukebox talks to.
#include "CatalogStore.h"
#include "DemoCatalog.h"
#include "HttpFrontEnd.h"
#include "LibraryService.h"
#include "MaintenanceAccess.h"
#include "MemoryLibrary.h"
#include "PostgresLibrary.h"
#include "RequestToken.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

using namespace kalvuno::server;

namespace {

HttpFrontEnd *g_frontEnd = nullptr;

void usage()
{
    std::printf("Usage: kalvuno-service [options]\n"
                "  --listen ADDRESS   address to listen on (default 127.0.0.1)\n"
                "  --port PORT        port to listen on (default 8563; 0 picks a free one)\n"
                "  --db PATH          SQLite database (default $XDG_DATA_HOME/kalvuno-service/catalog.db)\n"
                "  --db postgresql://USER@HOST/DBNAME\n"
                "                     a PostgreSQL database that several service processes can share\n"
                "  --db-connections N connections to PostgreSQL, the searches in flight at once\n"
                "                     (default %zu, one per processor of this machine)\n"
                "  --media DIR        folder of the demo media (default: \"media\" beside the database,\n"
                "                     or $XDG_DATA_HOME/kalvuno-service/media with PostgreSQL)\n"
                "  --no-demo          leave an empty database empty\n"
                "  --maintenance-from ADDRESS[,ADDRESS...]\n"
                "                     client addresses whose hide and no-file commands change the\n"
                "                     catalog (default: nobody's; the others get 403)\n"
                "  --trusted-proxy ADDRESS[,ADDRESS...]\n"
                "                     reverse proxies whose X-Forwarded-For client address is believed\n"
                "  --help             this text\n"
                "On an empty database the service first makes a demo catalog of playable songs.\n"
                "Song-list uploads are limited to %zu bytes.\n",
                PostgresLibrary::defaultConnections(), kMaxUploadBytes);
}

std::string defaultDatabase()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    const std::string base = data && *data ? data : std::string(home ? home : ".") + "/.local/share";
    return base + "/kalvuno-service/catalog.db";
}

} // namespace

int main(int argc, char **argv)
{
    std::string address = "127.0.0.1";
    int port = 8563;
    std::string db = defaultDatabase();
    std::string media;
    bool demo = true;
    PostgresLibrary::Options postgresOptions;
    MaintenanceAccess maintenance;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            usage();
            return 0;
        } else if (arg == "--listen" && hasValue) {
            address = argv[++i];
        } else if (arg == "--port" && hasValue) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--db" && hasValue) {
            db = argv[++i];
        } else if (arg == "--db-connections" && hasValue) {
            char *end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || n < 1 || n > 1000) {
                std::fprintf(stderr, "kalvuno-service: not a number of connections (1 to 1000): %s\n", argv[i]);
                return 2;
            }
            postgresOptions.connections = size_t(n);
        } else if (arg == "--media" && hasValue) {
            media = argv[++i];
        } else if (arg == "--maintenance-from" && hasValue) {
            if (!maintenance.addMaintainers(argv[++i])) {
                std::fprintf(stderr, "kalvuno-service: not an IP address list: %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--trusted-proxy" && hasValue) {
            if (!maintenance.addTrustedProxies(argv[++i])) {
                std::fprintf(stderr, "kalvuno-service: not an IP address list: %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--no-demo") {
            demo = false;
        } else {
            std::fprintf(stderr, "kalvuno-service: unknown option %s\n", arg.c_str());
            usage();
            return 2;
        }
    }
    namespace fs = std::filesystem;
    const bool postgres = db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0;
    const fs::path dbPath = postgres ? fs::path(defaultDatabase()) : fs::absolute(db);
    if (media.empty())
        media = (dbPath.parent_path() / "media").string();
    std::error_code ec;
    fs::create_directories(dbPath.parent_path(), ec);

    const auto makeDemo = [&](SongWriter &writer) {
        std::printf("kalvuno-service: making the demo catalog in %s ...\n", media.c_str());
        std::fflush(stdout);
        std::string error;
        const auto progress = [](size_t made, size_t total) {
            std::printf("kalvuno-service: demo media %zu/%zu\n", made, total);
            std::fflush(stdout);
        };
        if (createDemoCatalog(writer, media, kalvuno::todayDayNumber(), error, progress))
            return true;
        std::fprintf(stderr, "kalvuno-service: %s\n", error.c_str());
        return false;
    };
    std::unique_ptr<CatalogStore> sqlite;
    std::unique_ptr<LibraryStore> library;
    if (postgres) {
        auto shared = std::make_unique<PostgresLibrary>(db, std::move(postgresOptions));
        if (!shared->ok()) {
            std::fprintf(stderr, "kalvuno-service: PostgreSQL: %s\n", shared->error().c_str());
            return 1;
        }
        if (demo && shared->isEmpty() && !makeDemo(*shared))
            return 1;
        library = std::move(shared);
    } else {
        sqlite = std::make_unique<CatalogStore>();
        if (!sqlite->open(dbPath.string())) {
            std::fprintf(stderr, "kalvuno-service: %s: %s\n", dbPath.c_str(), sqlite->error().c_str());
            return 1;
        }
        if (demo && sqlite->loadSongs().empty() && !makeDemo(*sqlite))
            return 1;
        library = std::make_unique<MemoryLibrary>(*sqlite, MemoryLibrary::Options{});
    }
    LibraryService service(*library);
    HttpFrontEnd frontEnd(service, media);
    frontEnd.setMaintenanceAccess(std::move(maintenance));
    const int bound = frontEnd.bind(address, port);
    if (bound < 0) {
        std::fprintf(stderr, "kalvuno-service: cannot listen on %s:%d\n", address.c_str(), port);
        return 1;
    }
    g_frontEnd = &frontEnd;
    std::signal(SIGTERM, [](int) { g_frontEnd->stop(); });
    std::signal(SIGINT, [](int) { g_frontEnd->stop(); });
    std::printf("kalvuno-service: %zu songs, listening on http://%s:%d/\n", service.songCount(), address.c_str(),
                bound);
    std::fflush(stdout);
    frontEnd.run();
    return 0;
}
