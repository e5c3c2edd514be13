#include "Playback.h"
#include "SilentPlayer.h"
#include "TPlay.h"
#include "TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// A silent player that remembers where it was asked to play.
class FakePlayer : public SilentPlayer
{
public:
    explicit FakePlayer(const QString &where) : SilentPlayer(where), location(where) {}
    void hold() { holdAtStart(); }
    QString location;
};

struct FakeHost : PlaybackHost
{
    std::vector<std::shared_ptr<FakePlayer>> players;
    QStringList captions, downloads, reports, searches, favorites, playlists;
    std::function<void()> onSearch;

    std::shared_ptr<TPlay> createPlayer(const QString &location, const QString &) override
    {
        players.push_back(std::make_shared<FakePlayer>(location));
        return players.back();
    }
    // With prepareAhead, every location is prepared; the players are held, as the real host's are.
    bool prepareAhead = false;
    std::vector<std::shared_ptr<FakePlayer>> prepared;
    std::shared_ptr<TPlay> preparePlayer(const QString &location, const QString &) override
    {
        if (!prepareAhead)
            return nullptr;
        prepared.push_back(std::make_shared<FakePlayer>(location));
        prepared.back()->hold();
        return prepared.back();
    }
    void setCaption(const QString &caption) override { captions.append(caption); }
    void showList() override {}
    void showEntry() override {}
    void navigate(const QString &url) override { navigated.append(url); }
    QStringList navigated;
    void repaintControls() override {}
    void downloadFinishedEntry(const QString &key) override { downloads.append(key); }
    void sendPlayCount(const QString &key) override { reports.append(key); }
    void searchAgain(const QString &query) override
    {
        searches.append(query);
        if (onSearch)
            onSearch();
    }
    void runFavorite(const QString &path) override { favorites.append(path); }
    void openPlaylistFile(const QString &path) override { playlists.append(path); }
    bool isClosing() const override { return closing; }
    bool closing = false;
    QList<int> openWaits;
    QStringList probed, cleanupReports;
    void showOpenWait(int ms) override { openWaits.append(ms); }
    void cleanupEntryEnded(const QString &key, bool report) override { (report ? cleanupReports : probed).append(key); }

    // Saved playlists: opening one makes it the loaded, selected playlist.
    QStringList saved;
    int selectedSaved = -1;
    bool loadedIsSelected = false;
    QStringList opened;
    QStringList savedPlaylists() const override { return saved; }
    int selectedSavedPlaylist() const override { return selectedSaved; }
    bool canSaveOverPlaylist() const override { return loadedIsSelected; }
    void openSavedPlaylist(int index) override
    {
        selectedSaved = index;
        loadedIsSelected = true;
        opened.append(saved.at(index));
    }
};

const char *kThree = "[aaaaaaaaaaaaaaaa]\r\nTitle=A\r\nMP3=http://h/a.mp3\r\n"
                     "[bbbbbbbbbbbbbbbb]\r\nTitle=B\r\nMP3=http://h/b.mp3\r\n"
                     "[http://h/c.mp3]\r\nTitle=C\r\nMP3=http://h/c.mp3\r\n";

struct PlaybackTest : ::testing::Test
{
    TempDir tmp;
    CurrentPlaylist list{tmp.path("Current.ini")};
    Configuration config{tmp.path("Kalvuno.ini")};
    FakeHost host;
    Playback playback{list, config, host};

    void SetUp() override
    {
        writeBytes(tmp.path("Current.ini"), kThree);
        list.load(-1, true);
        playback.browseOnPlay = false;
        playback.PlaySelectedEntry();
    }
    FakePlayer &current() { return *host.players.back(); }
    // The current entry plays to its end (or, with length 0, fails to open).
    void finish(int64_t duration = 10000000, bool seeked = false)
    {
        FakePlayer &p = current();
        p.Duration = duration;
        p.Seeked = seeked;
        p.Position = 1.0;
        p.State = 1;
        playback.tick();
    }
    QStringList played() const
    {
        QStringList out;
        for (const auto &p : host.players)
            out.append(p->location.mid(9, 1));
        return out;
    }
};

TEST_F(PlaybackTest, EndDetection)
{
    // Playing, short of the end: nothing happens however long it lasts.
    current().State = 1;
    current().Duration = 10000000;
    current().Position = 0.99999994;
    for (int i = 0; i < 100; ++i)
        playback.tick();
    EXPECT_EQ(host.players.size(), 1u);
    EXPECT_EQ(host.captions.last(), u"Kalvuno - A");

    // Paused at the very end: a paused entry never ends.
    current().State = 2;
    current().Position = 1.0;
    playback.tick();
    EXPECT_EQ(host.players.size(), 1u);

    // Heard to the end: stopped, downloaded, reported, the next one starts.
    finish();
    EXPECT_TRUE(host.players[0]->terminated());
    EXPECT_EQ(host.downloads, QStringList{"aaaaaaaaaaaaaaaa"});
    EXPECT_EQ(host.reports, QStringList{"aaaaaaaaaaaaaaaa"});
    EXPECT_EQ(played(), (QStringList{"a", "b"}));

    // Seeked: ends, but is neither downloaded nor reported.
    finish(10000000, true);
    EXPECT_EQ(host.reports.size(), 1);
    EXPECT_EQ(host.downloads.size(), 1);
    EXPECT_EQ(played(), (QStringList{"a", "b", "c"}));

    // A web entry heard to the end is downloaded, never reported.
    finish();
    EXPECT_EQ(host.downloads.last(), u"http://h/c.mp3");
    EXPECT_EQ(host.reports.size(), 1);
    EXPECT_FALSE(playback.player());
    EXPECT_EQ(host.captions.last(), u"Kalvuno ");
}

TEST_F(PlaybackTest, OpeningForTooLongOrWithoutLengthEndsUnheard)
{
    for (int i = 0; i < kOpenLimitMs / kTickMs; ++i) {
        playback.tick(); // exactly 30000 ms: not yet
        playback.tick(false); // ticks run at once for an event count no time
    }
    EXPECT_EQ(host.players.size(), 1u);
    EXPECT_EQ(playback.openWaitMs(), kOpenLimitMs);
    playback.tick();
    EXPECT_EQ(played(), (QStringList{"a", "b"}));
    EXPECT_EQ(playback.openWaitMs(), 0) << "reset for the new entry";
    finish(0); // unknown length: Position 1.0 at once
    EXPECT_EQ(played(), (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(host.reports.isEmpty());
    EXPECT_TRUE(host.downloads.isEmpty());
}

TEST_F(PlaybackTest, CleanupModeProbesEveryEntryAndReportsOnlyWebEntriesThatNeverOpen)
{
    playback.cleanupMode = true;
    playback.repeatMode = 2;
    // a starts playing: left at once, counted, neither downloaded nor reported as a play.
    current().State = 1;
    current().Duration = 10000000;
    current().Position = 0.01;
    playback.tick();
    EXPECT_EQ(host.probed, QStringList{"aaaaaaaaaaaaaaaa"});
    EXPECT_EQ(played(), (QStringList{"a", "b"}));

    // b, a library song, never opens: counted as a try, never reported.
    for (int i = 0; i <= kOpenLimitMs / kTickMs; ++i)
        playback.tick();
    EXPECT_EQ(host.openWaits.first(), kTickMs);
    EXPECT_EQ(host.openWaits.last(), kOpenLimitMs + kTickMs);
    EXPECT_EQ(host.probed, (QStringList{"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb"}));
    EXPECT_TRUE(host.cleanupReports.isEmpty());

    // c, a web entry that cannot be opened, ends at once without a length: reported.
    finish(0);
    EXPECT_EQ(host.cleanupReports, QStringList{"http://h/c.mp3"});

    // a again, reaching its very end with a length on the first look: still
    // only a probe, no play.
    finish();
    EXPECT_EQ(host.probed.last(), u"aaaaaaaaaaaaaaaa");
    EXPECT_TRUE(host.downloads.isEmpty());
    EXPECT_TRUE(host.reports.isEmpty());
    EXPECT_EQ(played(), (QStringList{"a", "b", "c", "a", "b"}));

    // Out of the mode, ends are plays again and nothing goes to the clean-up.
    playback.cleanupMode = false;
    finish();
    EXPECT_EQ(host.reports, QStringList{"bbbbbbbbbbbbbbbb"});
    EXPECT_EQ(host.probed.size() + host.cleanupReports.size(), 4);
}

TEST_F(PlaybackTest, RepeatModesThroughThreeEntries)
{
    struct Case
    {
        int mode;
        QStringList expected; // after the first entry, five ends
    };
    const Case cases[] = {
        {0, {"a", "b", "c"}},
        {1, {"a", "a", "a", "a", "a", "a"}},
        {2, {"a", "b", "c", "a", "b", "c"}},
        {3, {"a", "b", "c", "a", "b", "c"}}, // no query yet: like the list
        {4, {"a", "b", "c", "a", "b", "c"}}, // no saved playlists yet: this list again
    };
    for (const Case &c : cases) {
        host.players.clear();
        list.select(0);
        playback.repeatMode = c.mode;
        playback.PlaySelectedEntry();
        for (int i = 0; i < 5 && playback.player(); ++i)
            finish();
        EXPECT_EQ(played(), c.expected) << "mode " << c.mode;
    }
}

TEST_F(PlaybackTest, TheEntryAnEndStartsIsPreparedBeforeTheEnd)
{
    struct Case
    {
        int mode;
        int playing;
        bool cleanup;
        const char *prepared; // nullptr: none
    };
    const Case cases[] = {
        {0, 0, false, "b"}, {0, 2, false, nullptr}, {1, 0, false, "a"}, {2, 2, false, "a"},
        {3, 2, false, nullptr}, // a new search decides what comes
        {0, 0, true, nullptr},  // probes end at once
    };
    host.prepareAhead = true;
    for (const Case &c : cases) {
        playback.StopPlayback();
        playback.tick(); // drops what was prepared
        host.prepared.clear();
        playback.repeatMode = c.mode;
        playback.cleanupMode = c.cleanup;
        list.select(c.playing);
        playback.PlaySelectedEntry();
        current().State = 1;
        current().Duration = 100000000; // 10 s
        for (const float position : {0.5f, 0.8f, 0.81f, 0.9f}) {
            current().Position = position;
            playback.tick();
        }
        QStringList asked;
        for (const auto &p : host.prepared)
            asked.append(p->location.mid(9, 1));
        EXPECT_EQ(asked, c.prepared ? QStringList{c.prepared} : QStringList()) << "mode " << c.mode << " at " << c.playing;
    }
}

TEST_F(PlaybackTest, APreparedEntryTakesOverAtTheEndOrIsDropped)
{
    host.prepareAhead = true;
    current().State = 1;
    current().Duration = 100000000;
    current().Position = 0.9f; // a second left
    playback.tick();
    ASSERT_EQ(host.prepared.size(), 1u);
    const std::shared_ptr<FakePlayer> b = host.prepared[0];
    EXPECT_TRUE(b->held());

    // The end: b goes on from where it was prepared, released; nothing new is made.
    finish();
    EXPECT_EQ(playback.player(), b);
    EXPECT_FALSE(b->held());
    EXPECT_TRUE(host.players[0]->terminated());
    EXPECT_EQ(host.players.size(), 1u);
    EXPECT_EQ(host.reports, QStringList{"aaaaaaaaaaaaaaaa"});

    // Near b's end the user starts a instead: c, prepared, is dropped.
    b->State = 1;
    b->Duration = 100000000;
    b->Position = 0.9f;
    playback.tick();
    ASSERT_EQ(host.prepared.size(), 2u);
    list.select(0);
    playback.PlaySelectedEntry();
    EXPECT_TRUE(host.prepared[1]->terminated());
    EXPECT_EQ(played(), (QStringList{"a", "a"}));

    // Near a's end the user stops: b, prepared, is dropped at the next tick.
    current().State = 1;
    current().Duration = 100000000;
    current().Position = 0.9f;
    playback.tick();
    ASSERT_EQ(host.prepared.size(), 3u);
    playback.StopPlayback();
    playback.tick();
    EXPECT_TRUE(host.prepared[2]->terminated());
}

TEST_F(PlaybackTest, ReSearchPlaysTheFreshAnswer)
{
    playback.repeatMode = 3;
    playback.currentQuery = "Max=2&Sort=Random&Open=1";
    host.onSearch = [&] {
        writeBytes(tmp.path("Current.ini"), "[dddddddddddddddd]\r\nTitle=D\r\nMP3=http://h/d.mp3\r\n"
                                            "[eeeeeeeeeeeeeeee]\r\nTitle=E\r\nMP3=http://h/e.mp3\r\n");
    };
    for (int i = 0; i < 4; ++i)
        finish();
    EXPECT_EQ(played(), (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(host.searches, QStringList{"Max=2&Sort=Random&Open=1"});
    EXPECT_TRUE(host.captions.contains(u"Kalvuno - 検索中..."));
}

TEST_F(PlaybackTest, MovedSelectionStopsAndUnopenableItemsAreSkipped)
{
    finish(); // b plays
    list.select(0); // the user picks a while b plays
    finish();
    EXPECT_FALSE(playback.player());
    EXPECT_EQ(played(), (QStringList{"a", "b"}));

    host.players.clear();
    playback.repeatMode = 1;
    list.select(1);
    playback.PlaySelectedEntry();
    finish(0); // b never opens: try c, then a, cycling
    finish(0);
    finish();  // a plays through: a again
    EXPECT_EQ(played(), (QStringList{"b", "c", "a", "a"}));
}

TEST_F(PlaybackTest, ATickInsideAnotherStartsNothing)
{
    // The re-search runs inside a tick; while its request or its message box
    // waits, more ticks arrive.
    playback.repeatMode = 3;
    playback.currentQuery = "Max=3";
    std::size_t playersDuringSearch = 0;
    host.onSearch = [&] {
        playback.pending = {PendingListAction::PlayLast, {}};
        list.select(2);
        for (int i = 0; i < 3; ++i)
            playback.tick();
        playersDuringSearch = host.players.size();
    };
    finish();
    finish();
    finish(); // the end of the list: search again
    EXPECT_EQ(host.searches.size(), 1);
    EXPECT_EQ(playersDuringSearch, 3u) << "a nested tick started a player";
    EXPECT_EQ(played(), (QStringList{"a", "b", "c", "a"}));
    EXPECT_EQ(playback.pending.code, PendingListAction::PlayLast) << "left for the next tick, not run inside";
    EXPECT_FALSE(playback.isTicking());
}

TEST_F(PlaybackTest, NothingStartsOnceTheWindowCloses)
{
    // The window starts closing while the re-search waits: no reload, no new player.
    playback.repeatMode = 3;
    playback.currentQuery = "Max=3";
    host.onSearch = [&] { host.closing = true; };
    finish();
    finish();
    finish();
    EXPECT_EQ(played(), (QStringList{"a", "b", "c"}));
    EXPECT_FALSE(playback.player());

    host.closing = false;
    playback.PlaySelectedEntry();
    ASSERT_EQ(host.players.size(), 4u);
    playback.shutDown();
    EXPECT_TRUE(current().terminated());
    playback.PlaySelectedEntry();
    playback.pending = {PendingListAction::PlayFirst, {}};
    playback.tick();
    EXPECT_EQ(host.players.size(), 4u) << "a player started after the close";
}

TEST_F(PlaybackTest, EntriesThatNeverOpenStopAfterOneRound)
{
    // Ten locations that cannot be opened: every repeat mode tries each once
    // (from the selected entry on) and then stops, instead of spinning.
    QByteArray ten;
    for (int i = 0; i < 10; ++i)
        ten += QStringLiteral("[http://h/%1.mp3]\r\nTitle=%1\r\nMP3=http://h/%1.mp3\r\n").arg(i).toUtf8();
    writeBytes(tmp.path("Current.ini"), ten);
    host.onSearch = [&] { writeBytes(tmp.path("Current.ini"), ten); };
    playback.currentQuery = "Max=10";
    for (int mode : {0, 1, 2, 3, 4}) {
        list.load(4, true);
        host.players.clear();
        playback.repeatMode = mode;
        playback.PlaySelectedEntry();
        for (int i = 0; i < 50 && playback.player(); ++i)
            finish(0);
        const std::size_t expected = mode == 0 ? 6 : 10; // off stops at the end of the list
        EXPECT_EQ(host.players.size(), expected) << "mode " << mode;
        EXPECT_FALSE(playback.player()) << "mode " << mode;
    }
    EXPECT_EQ(host.searches.size(), 1) << "re-search: once at the end of the list, then the round is over";

    // One entry that plays starts the count afresh.
    list.load(0, true);
    host.players.clear();
    playback.repeatMode = 2;
    playback.PlaySelectedEntry();
    for (int i = 0; i < 9; ++i)
        finish(0);
    finish(); // the tenth plays through
    for (int i = 0; i < 9; ++i)
        finish(0);
    EXPECT_TRUE(playback.player()) << "stopped although an entry had played in the round";
}

TEST_F(PlaybackTest, PendingActions)
{
    host.players.clear();
    playback.pending = {PendingListAction::PlayLast, {}};
    playback.tick();
    EXPECT_EQ(played(), QStringList{"c"});
    playback.pending = {PendingListAction::PlayFirst, {}};
    playback.tick();
    EXPECT_EQ(played(), (QStringList{"c", "a"}));
    playback.pending = {PendingListAction::OpenFavorite, "/f/x.fvr"};
    current().State = 1;
    current().Duration = 1;
    current().Position = 1.0;
    playback.tick(); // the favourite runs; nothing else happens in that tick
    EXPECT_EQ(host.favorites, QStringList{"/f/x.fvr"});
    EXPECT_EQ(played(), (QStringList{"c", "a"}));
    EXPECT_EQ(playback.pending.code, 0);
    playback.tick();
    EXPECT_EQ(played(), (QStringList{"c", "a", "b"}));
}

TEST_F(PlaybackTest, TemporaryControls)
{
    playback.stepSelection(-1); // nothing above the first entry
    EXPECT_EQ(played(), QStringList{"a"});
    current().State = 1;
    playback.stepSelection(+1); // playing: the next one starts
    EXPECT_EQ(played(), (QStringList{"a", "b"}));
    current().State = 2;
    playback.stepSelection(+1); // paused: playback stops, the selection moves
    EXPECT_FALSE(playback.player());
    EXPECT_EQ(list.selected(), 2);
    playback.playOrPause(); // nothing plays: start the selected entry
    EXPECT_EQ(played(), (QStringList{"a", "b", "c"}));
    current().State = 1;
    playback.playOrPause();
    current().State = 2;
    playback.playOrPause();
    EXPECT_EQ(current().pendingCommands(), 2); // "Pause", then "Resume"
}

TEST(LoopStatus, RepeatModesAsRemoteControlsSeeThem)
{
    const char *read[] = {"None", "Track", "Playlist", "Playlist", "Playlist"};
    for (int mode = 0; mode < 5; ++mode)
        EXPECT_EQ(loopStatusOf(mode), QString::fromLatin1(read[mode])) << mode;
    struct Case
    {
        const char *status;
        int current, expected;
    };
    const Case cases[] = {{"None", 2, 0}, {"Track", 0, 1}, {"Playlist", 1, 2}, {"Playlist", 3, 3},
                          {"Playlist", 4, 4}, {"Track", 1, 1}, {"Shuffle", 3, 3}};
    for (const Case &c : cases)
        EXPECT_EQ(repeatModeForLoopStatus(QString::fromLatin1(c.status), c.current), c.expected)
            << c.status << " from " << c.current;
}

TEST_F(PlaybackTest, DownloadedCopyPlaysFromDisk)
{
    QDir().mkpath(tmp.path("music/Artist"));
    writeBytes(tmp.path("music/Artist/Song.mp3"), "mp3");
    config.write(keys::Download, tmp.path("music/"));
    config.file().writeString(keys::kDownloadedCopies, u"bbbbbbbbbbbbbbbb", u"Artist\\Song.mp3");
    config.file().writeString(keys::kDownloadedCopies, u"http://h/c.mp3", u"Artist\\Gone.mp3");
    finish();
    EXPECT_EQ(current().location, tmp.path("music/Artist/Song.mp3"));
    finish();
    EXPECT_EQ(current().location, u"http://h/c.mp3") << "a copy that is gone is ignored";
}

} // namespace

TEST_F(PlaybackTest, NextListGoesThroughTheSavedPlaylists)
{
    playback.repeatMode = 4;
    host.saved = QStringList{"p1", "p2", "p3"};
    const auto endOfList = [&] {
        list.select(list.count() - 1);
        playback.PlaySelectedEntry();
        finish();
    };
    // The list came from a search: the first saved playlist, then on in
    // order, wrapping from the last to the first.
    for (int i = 0; i < 5; ++i)
        endOfList();
    EXPECT_EQ(host.opened, (QStringList{"p1", "p2", "p3", "p1", "p2"}));

    // A selected playlist that is not the current list plays itself again.
    host.opened.clear();
    host.selectedSaved = 2;
    host.loadedIsSelected = false;
    endOfList();
    EXPECT_EQ(host.opened, QStringList{"p3"});

    // An entry in the middle still goes on down the list.
    host.opened.clear();
    list.select(0);
    playback.PlaySelectedEntry();
    finish();
    EXPECT_TRUE(host.opened.isEmpty());
    EXPECT_EQ(played().last(), "b");
}

TEST_F(PlaybackTest, BrowseOnPlayGoesToTheEntrysWebHomeElseTheHomePage)
{
    const struct
    {
        const char *home;
        const char *navigated;
    } cases[] = {
        {"http://artist.example/", "http://artist.example/"},
        {"www.example.jp/", "www.example.jp/"},
        {"", "http://service/kalvuno/top.html"},
        {"javascript:alert(1)", "http://service/kalvuno/top.html"},
        {"file:///etc/passwd", "http://service/kalvuno/top.html"},
        {"data:text/html,x", "http://service/kalvuno/top.html"},
        {"about:blank", "http://service/kalvuno/top.html"},
    };
    playback.browseOnPlay = true;
    playback.homePage = QStringLiteral("http://service/kalvuno/top.html");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.home);
        ASSERT_TRUE(list.file()->writeString(u"aaaaaaaaaaaaaaaa", u"Home", QString::fromLatin1(c.home)));
        list.select(0);
        host.navigated.clear();
        playback.PlaySelectedEntry();
        EXPECT_EQ(host.navigated, QStringList{QString::fromLatin1(c.navigated)});
    }
}
