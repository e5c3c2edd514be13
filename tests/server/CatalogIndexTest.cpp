// Filtered searches through the character-gram index find exactly the songs a
// plain scan of the catalog finds, in the same order.
#include "SearchOracle.h"

#include <gtest/gtest.h>


using namespace kalvuno::server;

namespace {

using namespace oracle;

TEST(CatalogIndex, FilteredSearchesFindWhatAScanFinds)
{
    const std::vector<Song> songs = randomCatalog(3000);
    Catalog catalog(songs);
    catalog.refreshRanks(kWeek, 0);
    std::mt19937_64 rng(1);
    for (const SearchRequest &r : searches()) {
        std::vector<std::string> got;
        for (uint32_t i : catalog.search(r, rng))
            got.push_back(storeKey(catalog.song(i)));
        expectFound(got, expected(songs, r), r);
    }
}

// Uploads change the index in place; after many, the slots of songs that
// went are dropped and everything is built anew. Either way a search finds
// what a scan of the catalog as it now is finds.
TEST(CatalogIndex, SearchesAfterUploadsFindWhatAScanFinds)
{
    std::vector<Song> songs = randomCatalog(3000);
    for (size_t i = 0; i < songs.size(); ++i)
        songs[i].owner = "owner" + std::to_string(i % 40);
    Catalog catalog(songs);
    catalog.refreshRanks(kWeek, 0);
    const std::vector<Song> texts = randomCatalog(600);
    std::mt19937_64 rng(3);
    for (int round = 1; round <= 24; ++round) {
        const std::string owner = "owner" + std::to_string(rng() % 50); // some of them new
        std::vector<Song> list;
        const int count = int(rng() % 60);
        for (int k = 0; k < count; ++k) {
            Song s = texts[rng() % texts.size()]; // with plays this week or without
            char id[17];
            std::snprintf(id, sizeof id, "f%03d%012d", round, k);
            s.id = s.web ? "" : id;
            s.media = std::string("http://n.example.jp/") + id + (s.kind == Kind::Wav ? ".wav" : ".mp3");
            s.owner = owner;
            list.push_back(s);
        }
        catalog.replaceSongsOf(owner, list);
        std::erase_if(songs, [&](const Song &s) { return s.owner == owner; });
        songs.insert(songs.end(), list.begin(), list.end());
        if (round % 8 != 0)
            continue;
        // As a search of the service would: ranks only when they must be worked out again.
        if (catalog.ranksStale(kWeek, 0))
            catalog.refreshRanks(kWeek, 0);
        EXPECT_EQ(catalog.size(), songs.size());
        for (const SearchRequest &r : searches()) {
            std::vector<std::string> got;
            for (uint32_t i : catalog.search(r, rng))
                got.push_back(storeKey(catalog.song(i)));
            expectFound(got, expected(songs, r), r);
        }
        for (const Song &s : songs) {
            const int i = catalog.findByKey(storeKey(s), {});
            ASSERT_GE(i, 0) << storeKey(s);
            EXPECT_EQ(catalog.song(uint32_t(i)).title, s.title);
        }
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
