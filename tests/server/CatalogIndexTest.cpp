// Filtered searches through the character-gram index find exactly the songs a
// plain scan of the catalog finds, in the same order.
#include "Catalog.h"
#include "CatalogStore.h"
#include "Cp932.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace kalvuno::server;

namespace {

constexpr int32_t kWeek = 2000;

const char *const kSyllables[] = {"山", "田", "花", "子", "北", "野", "み", "な", "Ka", "ra", "SU", "to", "🎵", "ー"};

std::string syllables(std::mt19937_64 &rng, int count)
{
    std::string text;
    for (int k = 0; k < count; ++k)
        text += kSyllables[rng() % std::size(kSyllables)];
    return text;
}

// Few distinct texts and few distinct times, so that matches and ties abound.
std::vector<Song> randomCatalog(size_t count)
{
    std::mt19937_64 rng(7);
    std::vector<Song> songs;
    for (size_t i = 0; i < count; ++i) {
        Song s;
        char id[17];
        std::snprintf(id, sizeof id, "%016zx", i + 1);
        s.web = rng() % 5 == 0;
        s.id = s.web ? "" : id;
        s.artist = syllables(rng, 1 + int(rng() % 3));
        s.title = syllables(rng, 1 + int(rng() % 4));
        s.genre = rng() % 2 ? "Pop" : "ポップス";
        s.media = std::string("http://m.example.jp/") + id + (rng() % 4 == 0 ? ".wav" : ".mp3");
        s.kind = kindOfLocation(s.media);
        s.isPublic = rng() % 10 != 0;
        s.hidden = rng() % 10 == 0;
        s.added = int64_t(rng() % 50);
        if (rng() % 2)
            s.weeklyPlays[kWeek] = int64_t(1 + rng() % 9);
        songs.push_back(s);
    }
    return songs;
}

// What a search must answer, worked out the slow, obvious way.
std::vector<std::string> expected(const std::vector<Song> &songs, const SearchRequest &r)
{
    std::vector<size_t> hits;
    const auto holds = [](const std::string &text, const std::string &query) {
        return query.empty() || foldAscii(text).find(query) != std::string::npos;
    };
    for (size_t i = 0; i < songs.size(); ++i) {
        const Song &s = songs[i];
        if (s.visible() && s.kind == r.kind && (s.web ? r.web : r.library) && holds(s.artist, r.artist)
            && holds(s.title, r.title) && holds(s.genre, r.genre)
            && (r.order != SearchRequest::Order::Rank || s.weeklyPlays.count(kWeek)))
            hits.push_back(i);
    }
    const auto plays = [&](size_t i) { return songs[i].weeklyPlays.count(kWeek) ? songs[i].weeklyPlays.at(kWeek) : 0; };
    std::stable_sort(hits.begin(), hits.end(), [&](size_t a, size_t b) {
        if (r.order == SearchRequest::Order::Rank)
            return plays(a) != plays(b) ? plays(a) > plays(b) : songs[a].added > songs[b].added;
        return songs[a].added != songs[b].added ? songs[a].added > songs[b].added : songs[a].web < songs[b].web;
    });
    std::vector<std::string> keys;
    for (size_t i : hits)
        keys.push_back(storeKey(songs[i]));
    return keys;
}

TEST(CatalogIndex, FilteredSearchesFindWhatAScanFinds)
{
    const std::vector<Song> songs = randomCatalog(3000);
    Catalog catalog(songs);
    catalog.refreshRanks(kWeek, 0);
    std::mt19937_64 rng(1);
    struct Filter
    {
        std::string artist, title, genre;
    };
    const Filter filters[] = {
        {"山", "", ""},     {"山田", "", ""},   {"ka", "", ""},       {"kara", "", ""},      {"a", "", ""},
        {"", "み", ""},     {"", "なー", ""},   {"", "🎵山", ""},     {"", "sutoka", ""},    {"", "", "ポ"},
        {"", "", "op"},     {"子", "北", ""},   {"花", "", "pop"},    {"山田花子北", "", ""}, {"zz", "", ""},
        {"\xE5\xB1", "", ""}, // a cut character: no gram to look up, the scan answers
    };
    for (const Filter &f : filters)
        for (auto order : {SearchRequest::Order::New, SearchRequest::Order::Random, SearchRequest::Order::Rank})
            for (auto [library, web] : {std::pair{true, false}, {false, true}, {true, true}})
                for (int max : {3, 100}) {
                    SearchRequest r;
                    r.artist = f.artist;
                    r.title = f.title;
                    r.genre = f.genre;
                    r.order = order;
                    r.library = library;
                    r.web = web;
                    r.max = max;
                    const std::string what = f.artist + "/" + f.title + "/" + f.genre + " order "
                        + std::to_string(int(order)) + " web " + std::to_string(web) + " library "
                        + std::to_string(library) + " max " + std::to_string(max);
                    std::vector<std::string> all = expected(songs, r);
                    std::vector<std::string> got;
                    for (uint32_t i : catalog.search(r, rng))
                        got.push_back(storeKey(catalog.song(i)));
                    if (order == SearchRequest::Order::Random) {
                        // Any max of the matches, each once.
                        EXPECT_EQ(got.size(), std::min(all.size(), size_t(max))) << what;
                        EXPECT_EQ(std::set<std::string>(got.begin(), got.end()).size(), got.size()) << what;
                        const std::set<std::string> matching(all.begin(), all.end());
                        for (const std::string &key : got)
                            EXPECT_TRUE(matching.count(key)) << what << " " << key;
                        continue;
                    }
                    all.resize(std::min(all.size(), size_t(max)));
                    EXPECT_EQ(got, all) << what;
                }
}

TEST(CatalogIndex, HiddenAndReplacedSongsAreFollowed)
{
    std::vector<Song> songs = randomCatalog(200);
    Catalog catalog(songs);
    catalog.refreshRanks(kWeek, 0);
    std::mt19937_64 rng(1);
    SearchRequest r;
    r.artist = "山";
    r.max = 100;
    r.order = SearchRequest::Order::New;
    const auto keys = [&] {
        std::vector<std::string> out;
        for (uint32_t i : catalog.search(r, rng))
            out.push_back(storeKey(catalog.song(i)));
        return out;
    };
    const std::vector<std::string> before = keys();
    ASSERT_GE(before.size(), 2u);
    catalog.setHidden(uint32_t(catalog.findByKey(before[0], {})));
    EXPECT_EQ(keys(), std::vector<std::string>(before.begin() + 1, before.end()));

    // An owner's new songs replace the old ones in the index as well.
    Song mine = songs[0];
    mine.id = "ffff000000000001";
    mine.owner = "owner";
    mine.artist = "新山";
    mine.kind = Kind::Mp3;
    mine.web = false;
    mine.isPublic = true;
    mine.hidden = false;
    mine.added = 1000;
    catalog.replaceSongsOf("owner", {mine});
    r.artist = "新";
    EXPECT_EQ(keys(), std::vector<std::string>{"ffff000000000001"});
    mine.artist = "古";
    catalog.replaceSongsOf("owner", {mine});
    EXPECT_EQ(keys(), std::vector<std::string>{});
    r.artist = "古";
    EXPECT_EQ(keys(), std::vector<std::string>{"ffff000000000001"});
}

} // namespace
