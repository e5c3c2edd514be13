// One listener's upload into the in-memory catalog of 100,000 songs: the
// owner's 20 songs replaced by 20 others, with the catalog's orders, lookups
// and text index brought up to date.
#include "Catalog.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

using namespace kalvuno::server;

namespace {

const char *const kSyllables[] = {"山", "田", "花", "子", "北", "野", "太", "郎", "森", "桜", "ka", "ra", "su", "to"};

Song makeSong(std::mt19937_64 &rng, int i, const std::string &owner)
{
    Song s;
    char id[17];
    std::snprintf(id, sizeof id, "%08x%08x", unsigned(i), unsigned(rng() & 0xffffffff));
    s.id = id;
    s.owner = owner;
    for (int k = 0; k < 3; ++k)
        s.artist += kSyllables[rng() % std::size(kSyllables)];
    s.title = "曲" + std::to_string(i) + " " + kSyllables[rng() % std::size(kSyllables)];
    s.genre = rng() % 2 ? "Pop" : "ポップス";
    s.media = std::string("http://media.example.jp/") + id + ".mp3";
    s.home = "http://example.jp/" + std::to_string(i % 5000) + "/";
    s.added = 1700000000 + i;
    return s;
}

void BM_Upload(benchmark::State &state)
{
    std::mt19937_64 rng(42);
    std::vector<Song> songs;
    for (int i = 0; i < 100000; ++i)
        songs.push_back(makeSong(rng, i, "owner" + std::to_string(i % 5000)));
    Catalog catalog(std::move(songs));
    int next = 100000;
    for (auto _ : state) {
        std::vector<Song> list;
        for (int k = 0; k < 20; ++k)
            list.push_back(makeSong(rng, next++, "listener"));
        catalog.replaceSongsOf("listener", std::move(list));
    }
}
BENCHMARK(BM_Upload)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
