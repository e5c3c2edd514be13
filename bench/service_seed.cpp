// Fills a service database with a synthetic catalog for load tests:
//   kalvuno_bench_service_seed DB COUNT
// DB is an SQLite file or a postgresql:// URL.
#include "CatalogStore.h"
#include "PostgresLibrary.h"
#include "RequestToken.h"

#include <memory>

#include <cstdio>
#include <random>
#include <string>

using namespace kalvuno::server;

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DB COUNT\n", argv[0]);
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const std::string db = argv[1];
    std::unique_ptr<SongWriter> store;
    if (db.rfind("postgresql://", 0) == 0) {
        auto shared = std::make_unique<PostgresLibrary>(db, PostgresLibrary::Options{1, {}});
        if (!shared->ok()) {
            std::fprintf(stderr, "%s\n", shared->error().c_str());
            return 1;
        }
        store = std::move(shared);
    } else {
        auto file = std::make_unique<CatalogStore>();
        if (!file->open(db)) {
            std::fprintf(stderr, "%s\n", file->error().c_str());
            return 1;
        }
        store = std::move(file);
    }
    // Artists from Japanese and Latin syllables, so one- and two-character
    // filters match a realistic share of the catalog.
    static const char *syllables[] = {"山", "田", "花", "子", "北", "野", "太", "郎", "森", "桜", "井", "み", "な", "と",
                                      "ka", "ra", "su", "to", "mi", "no", "ri", "ya", "ma", "ko"};
    static const char *genres[] = {"Pop", "Rock", "Jazz", "ポップス", "クラシック", "Techno", "Folk", "アンビエント"};
    static const char *exts[] = {".mp3", ".mp3", ".mp3", ".wav", ".mid", ".mpg"};
    std::mt19937_64 rng(42);
    const int32_t week = weekOfDay(kalvuno::todayDayNumber());
    std::vector<Song> songs;
    for (int i = 0; i < count; ++i) {
        Song s;
        char id[17];
        std::snprintf(id, sizeof id, "%08x%08x", unsigned(i), unsigned(rng() & 0xffffffff));
        s.id = id;
        for (int k = 0; k < 3; ++k)
            s.artist += syllables[rng() % std::size(syllables)];
        s.title = std::string("曲") + std::to_string(i) + " " + syllables[rng() % std::size(syllables)];
        s.genre = genres[rng() % std::size(genres)];
        s.media = std::string("http://media.example.jp/") + id + exts[rng() % std::size(exts)];
        s.kind = kindOfLocation(s.media);
        s.home = "http://example.jp/" + std::to_string(i % 5000) + "/";
        s.added = 1700000000 + i;
        if (rng() % 3 == 0)
            for (int w = 0; w < 8; ++w)
                if (const int64_t plays = int64_t(rng() % 20); plays > 0) {
                    s.weeklyPlays[week - w] = plays;
                    s.plays += plays;
                }
        songs.push_back(std::move(s));
        // In batches: a million songs at once would need gigabytes here.
        if (songs.size() == 50000 || i + 1 == count) {
            if (!store->insertSongs(songs)) {
                std::fprintf(stderr, "cannot store the songs\n");
                return 1;
            }
            songs.clear();
        }
    }
    std::printf("%d songs in %s\n", count, argv[1]);
    return 0;
}
