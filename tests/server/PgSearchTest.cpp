// Searches run in PostgreSQL find what a plain scan of the catalog finds,
// whichever way each filter is served: read whole when few songs match it,
// checked song by song along the order when many do.
#include "IniFile.h"
#include "SearchOracle.h"
#include "ServiceFixture.h"

#include <gtest/gtest.h>

#include <map>

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

using namespace oracle;

// The weekly place of every song with plays in the week, as keys.
std::map<std::string, int> placesIn(const std::vector<Song> &songs, int32_t week)
{
    std::vector<size_t> played;
    for (size_t i = 0; i < songs.size(); ++i)
        if (songs[i].weeklyPlays.count(week))
            played.push_back(i);
    std::stable_sort(played.begin(), played.end(), [&](size_t a, size_t b) {
        const int64_t pa = songs[a].weeklyPlays.at(week), pb = songs[b].weeklyPlays.at(week);
        return pa != pb ? pa > pb : songs[a].added > songs[b].added;
    });
    std::map<std::string, int> places;
    for (size_t k = 0; k < played.size(); ++k)
        places[storeKey(songs[played[k]])] = int(k + 1);
    return places;
}

TEST(PgSearch, FindsWhatAScanFinds)
{
    StoreUnderTest store(StoreKind::Postgres);
    REQUIRE_STORE(store);
    const int32_t week = weekOfDay(kToday);
    const std::vector<Song> songs = randomCatalog(3000, week);
    ASSERT_TRUE(store.insertSongs(songs));
    const std::map<std::string, int> places = placesIn(songs, week);
    // Every filter common (random orders sample, and fall back to reading
    // all when the samples come up short); 山 common and 山田 rare; every
    // filter rare (random orders draw from the filter's songs).
    for (int64_t many : {int64_t(1), int64_t(100), int64_t(1000000)}) {
        PostgresLibrary library(store.location(), {2, [] { return kToday; }, many});
        ASSERT_TRUE(library.ok()) << library.error();
        for (int pass = 0; pass < 2; ++pass) { // the second with the filters' commonness remembered
            for (const SearchRequest &r : searches()) {
                const std::optional<std::string> answer = library.search(r, "127.0.0.1:1");
                ASSERT_TRUE(answer) << describe(r);
                IniFile ini{QString()};
                ini.loadBytes(QByteArray::fromStdString(*answer));
                std::vector<std::string> got;
                for (const QString &key : ini.sectionNames()) {
                    got.push_back(key.toStdString());
                    const auto place = places.find(got.back());
                    const int expectedPlace = place == places.end() ? 0 : std::min(place->second, 255);
                    EXPECT_EQ(ini.readString(key, u"Rank").left(4).toInt(nullptr, 16), expectedPlace * 256)
                        << describe(r) << " " << got.back();
                }
                expectFound(got, expected(songs, r, week), r);
            }
        }
    }
}

} // namespace
