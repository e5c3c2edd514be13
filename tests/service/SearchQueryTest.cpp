#include "PlayCount.h"
#include "RequestToken.h"
#include "SearchConditions.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(SearchQuery, BuiltExactlyFromTheConditions)
{
    struct Case
    {
        const char *what;
        SearchConditions c;
        const char16_t *query; // nullptr: refused
    };
    const auto with = [](auto change) {
        SearchConditions c;
        change(c);
        return c;
    };
    const Case cases[] = {
        {"defaults", SearchConditions(), u"Max=10&Sort=Random&Open=1"},
        {"the Part's example", with([](auto &c) { c.artist = "ABC"; c.sort = 1; }), u"Max=10&Sort=New&Artist=ABC&Open=1"},
        {"rank three weeks ago", with([](auto &c) { c.sort = 2; c.rank = 3; }), u"Max=10&Sort=Rank3&Open=1"},
        {"every text, unescaped", with([](auto &c) { c.artist = "A&B=C"; c.title = "曲 名"; c.genre = "J-Pop"; c.max = 100; }),
         u"Max=100&Sort=Random&Artist=A&B=C&Title=曲 名&Genre=J-Pop&Open=1"},
        {"web and library", with([](auto &c) { c.web = true; }), u"Max=10&Sort=Random&Open=3"},
        {"web only", with([](auto &c) { c.library = false; c.web = true; }), u"Max=10&Sort=Random&Open=2"},
        {"mp3 target carries no Ext", with([](auto &c) { c.target = 0; }), u"Max=10&Sort=Random&Open=1"},
        {"mid target", with([](auto &c) { c.target = 3; c.max = 0; }), u"Max=0&Sort=Random&Open=1&Ext=mid"},
        {"wav target", with([](auto &c) { c.target = 1; }), u"Max=10&Sort=Random&Open=1&Ext=wav"},
        {"nothing to search", with([](auto &c) { c.library = false; }), nullptr},
    };
    for (const Case &c : cases) {
        BuiltQuery built;
        const bool ok = buildSearchQuery(c.c, built);
        EXPECT_EQ(ok, c.query != nullptr) << c.what;
        if (ok) {
            EXPECT_EQ(built.query, QString::fromUtf16(c.query)) << c.what;
        }
    }
    SearchConditions adding;
    adding.clear = false;
    adding.web = true;
    BuiltQuery built;
    ASSERT_TRUE(buildSearchQuery(adding, built));
    EXPECT_EQ(built.searchMethod, 1);
    EXPECT_EQ(built.openTargets, 3);
}

TEST(Favorites, RoundTripAndOddValues)
{
    TempDir tmp;
    const QString file = tmp.path("favorites/夜.fvr");
    SearchConditions saved;
    saved.target = 2;
    saved.web = true;
    saved.artist = "山田";
    saved.sort = 2;
    saved.rank = 5;
    saved.max = 42;
    ASSERT_TRUE(saveFavorite(file, saved));
    EXPECT_TRUE(readBytes(file).startsWith("[Favorite]\r\nTarget=mpg\r\nOpen=3\r\nArtist=\x8e" "R\x93" "c\r\n"));
    const SearchConditions loaded = loadFavorite(file);
    EXPECT_EQ(loaded.target, 2);
    EXPECT_TRUE(loaded.library && loaded.web);
    EXPECT_EQ(loaded.artist, u"山田");
    EXPECT_EQ(loaded.sort, 2);
    EXPECT_EQ(loaded.rank, 5);
    EXPECT_EQ(loaded.max, 42);

    writeBytes(file, "[Favorite]\r\nTarget=WAV\r\nSort=5\r\nMax=500\r\nOpen=2\r\n");
    const SearchConditions odd = loadFavorite(file);
    EXPECT_EQ(odd.target, 0) << "another letter case falls back to mp3";
    EXPECT_EQ(odd.sort, 0);
    EXPECT_EQ(odd.max, 100);
    EXPECT_FALSE(odd.library);
    EXPECT_TRUE(odd.web);

    const SearchConditions missing = loadFavorite(tmp.path("none.fvr"));
    EXPECT_EQ(missing.target, 0);
    EXPECT_EQ(missing.max, 10);
    EXPECT_TRUE(missing.library);
}

TEST(PlayCount, LibraryIdsAndTheBody)
{
    const std::pair<const char *, bool> keys[] = {{"0123456789abcdef", true}, {"0123456789abcde", false},
                                                  {"0123456789abcdef0", false}, {"http://a.jp/x.mp", false},
                                                  {"0123456789ab.def", false}, {"0123456789ab\\def", false}};
    for (const auto &[key, library] : keys)
        EXPECT_EQ(isLibraryId(QString::fromLatin1(key)), library) << key;

    const QByteArray body = playCountBody("0123456789ABCDEF", "ab", 37987);
    EXPECT_EQ(body, QByteArray("01234567pZtMYCua\rab"));
    for (int i = 0; i < 200; ++i) {
        const QByteArray text = randomTokenText();
        EXPECT_GE(text.size(), 16);
        EXPECT_LE(text.size(), 35);
        for (char c : text)
            EXPECT_NE(kTokenAlphabet.find(c), std::string_view::npos);
    }
}
