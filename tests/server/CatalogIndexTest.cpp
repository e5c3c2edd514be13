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
