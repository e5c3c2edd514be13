#include "BrowserRules.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(BrowserRules, MediaLinksAreTheFourKindsAnywhereInTheExtension)
{
    const struct
    {
        const char *url;
        const char *extension;
        bool media;
    } cases[] = {
        { "http://h/dir/Song.MP3", ".mp3", true },
        { "http://h/dir/song.mp3?id=1", ".mp3?id=1", true },
        { "http://h/a.WAV", ".wav", true },
        { "http://h/movie.mpg", ".mpg", true },
        { "http://h/tune.mid", ".mid", true },
        { "http://h/tune.midi", ".midi", true },
        { "http://h/list.mp3.html", ".html", false },
        { "http://h/clip.avi", ".avi", false },
        { "http://h/archive.zip", ".zip", false },
        // The last of ".", "\" and ":" is the port's colon: no extension.
        { "http://h:8080/x", "", false },
        { "http://h/dir/", "", false },
        { "http://www.example.jp/", ".jp/", false },
        { "C:\\music\\a.mp3", ".mp3", true },
        { "C:\\music.mp3\\readme", "", false },
        { "", "", false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(linkExtension(QString::fromLatin1(c.url)), QString::fromLatin1(c.extension));
        EXPECT_EQ(isMediaLink(QString::fromLatin1(c.url)), c.media);
    }
}

TEST(BrowserRules, TitleIsWhatFollowsTheLastSlash)
{
    EXPECT_EQ(mediaLinkTitle(QStringLiteral("http://h/dir/Song.MP3")), QStringLiteral("Song.MP3"));
    EXPECT_EQ(mediaLinkTitle(QStringLiteral("http://h/dir/")), QString());
    EXPECT_EQ(mediaLinkTitle(QStringLiteral("song.mp3")), QStringLiteral("song.mp3"));
}

TEST(BrowserRules, OnlyWebPagesAreAddresses)
{
    const struct
    {
        const char *text;
        const char *url; // empty: no address
    } cases[] = {
        { "http://h/page.html", "http://h/page.html" },
        { "https://h/", "https://h/" },
        { "www.example.jp/", "http://www.example.jp/" },
        { "  http://h/x  ", "http://h/x" },
        { "javascript:alert(1)", "" },
        { "JavaScript:alert(1)", "" },
        { "file:///etc/passwd", "" },
        { "/etc/passwd", "" },
        { "data:text/html,<b>x</b>", "" },
        { "ftp://h/x", "" },
        { "", "" },
        { "http://", "" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(webAddress(QString::fromLatin1(c.text)).toString(), QString::fromLatin1(c.url));
    }
}

TEST(BrowserRules, SameLocationComparesNormalisedForms)
{
    EXPECT_TRUE(isSameLocation(QUrl(QStringLiteral("http://h")), QUrl(QStringLiteral("http://h/"))));
    EXPECT_TRUE(isSameLocation(QUrl(QStringLiteral("http://h/a/./b")), QUrl(QStringLiteral("http://h/a/b"))));
    EXPECT_FALSE(isSameLocation(QUrl(QStringLiteral("http://h/a")), QUrl(QStringLiteral("http://h/a/"))));
    EXPECT_FALSE(isSameLocation(QUrl(QStringLiteral("http://h/a?x=1")), QUrl(QStringLiteral("http://h/a"))));
    EXPECT_FALSE(isSameLocation(QUrl(QStringLiteral("http://h/")), QUrl()));
}

TEST(BrowserRules, AddressBoxShowsNoLocalPages)
{
    EXPECT_EQ(addressBoxText(QUrl(QStringLiteral("http://h/top.html"))), QStringLiteral("http://h/top.html"));
    EXPECT_EQ(addressBoxText(QUrl::fromLocalFile(QStringLiteral("/usr/share/kalvuno/index.html"))), QString());
}

TEST(BrowserRules, OnlyMainFrameNavigationsAUserStartsAddEntries)
{
    using K = NavigationKind;
    const struct
    {
        K kind;
        bool mainFrame;
        bool adds;
    } steps[] = {
        { K::LinkClicked, true, true },
        { K::Typed, true, true },
        { K::FormSubmitted, true, true },
        { K::BackForward, true, true },
        { K::Reload, true, true },
        { K::Redirect, true, true },
        { K::LinkClicked, false, false },
        { K::Redirect, true, true },
        { K::Other, true, false },
        { K::Redirect, true, false },
        { K::Other, false, false },
        { K::LinkClicked, true, true },
        { K::Redirect, false, false },
        { K::Redirect, true, true },
    };
    NavigationOrigin origin;
    int i = 0;
    for (const auto &s : steps) {
        SCOPED_TRACE(i++);
        EXPECT_EQ(origin.userStarted(s.kind, s.mainFrame), s.adds);
    }
}

TEST(BrowserRules, NotFoundWatchFiresOnceForAFailedProgramNavigation)
{
    const QUrl notFound = QUrl::fromLocalFile(QStringLiteral("/data/notfound.html"));
    const QUrl shown(QStringLiteral("http://h/shown.html"));
    const QUrl page(QStringLiteral("http://127.0.0.1:1/x"));
    NotFoundWatch watch;
    // Nothing armed: a failed load of the user's is left to the engine.
    EXPECT_FALSE(watch.loadEnded(page, false, notFound));

    // The load that was stopped to make way ends first: not ours.
    watch.arm(page, shown);
    EXPECT_FALSE(watch.loadEnded(shown, false, notFound));
    EXPECT_TRUE(watch.isArmed());
    EXPECT_TRUE(watch.loadEnded(page, false, notFound));
    EXPECT_FALSE(watch.isArmed());
    EXPECT_FALSE(watch.loadEnded(page, false, notFound)) << "once";

    // A redirect that fails elsewhere, or a stop, still ends without a page.
    watch.arm(page, shown);
    EXPECT_TRUE(watch.loadEnded(QUrl(QStringLiteral("http://other/")), false, notFound));
    watch.arm(page, shown);
    EXPECT_FALSE(watch.loadEnded(page, true, notFound));
    // Reloading the shown page that fails.
    watch.arm(shown, shown);
    EXPECT_TRUE(watch.loadEnded(shown, false, notFound));

    // A missing not-found page ends the cycle.
    watch.arm(notFound, page);
    EXPECT_FALSE(watch.loadEnded(notFound, false, notFound));
    EXPECT_FALSE(watch.isArmed());
}
