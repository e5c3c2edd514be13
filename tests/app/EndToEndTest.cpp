#include "CurrentPlaylist.h"
#include "DemoMedia.h"
#include "InProcessService.h"
#include "HttpFrontEnd.h"
#include "IniFile.h"
#include "LibraryService.h"
#include "MemoryLibrary.h"
#include "MessageBox.h"
#include "ProfilePaths.h"
#include "SearchSongs.h"
#include "TextCodec.h"
#include "TPlay.h"
#include "TempDir.h"
#include "MainWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include "QtTry.h"
#include <gtest/gtest.h>
#include <thread>

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

// The real service on 127.0.0.1 with three short songs of its own.
struct LocalService : InProcessService
{
    LocalService()
    {
        const std::string media = mediaFolder();
        std::vector<Song> songs;
        for (int i = 1; i <= 3; ++i) {
            const std::string base = media + "/t" + std::to_string(i);
            writeWav(base + ".wav", makeTune(uint32_t(i), 1200));
            writeMp3(base + ".mp3", base + ".wav");
            Song s;
            s.id = "e2e0000" + std::to_string(i) + "00000000"; // the first 8 characters differ
            s.title = "曲" + std::to_string(i);
            s.artist = "E2E Band";
            s.genre = "Test";
            s.media = "/kalvuno/media/t" + std::to_string(i) + ".mp3";
            s.home = "http://example.jp/";
            s.added = 100 - i; // newest first: 曲1, 曲2, 曲3
            songs.push_back(s);
        }
        store.insertSongs(songs);
        start();
    }
};

TEST(EndToEnd, SearchPlaysEverySongToItsEndAndTheServiceCountsEach)
{
    LocalService library;
    TempDir home;
    qputenv("KALVUNO_SERVICE_HOST", library.host().toUtf8());
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    qputenv("HOME", home.dir.path().toUtf8());
    const QString profile = home.path("profile/");
    QDir().mkpath(profile);
    writeBytes(profile + "Kalvuno.ini", "[General]\r\nSetup=1\r\nBrowse=0\r\n");
    {
        TFo_Kalvuno w(profile, {});
        QStringList captions;
        QObject::connect(&w, &QWidget::windowTitleChanged, [&](const QString &t) { captions.append(t); });
        w.show();
        w.findChild<QLineEdit *>("Ed_Artist")->setText("e2e");
        w.findChild<QRadioButton *>("Ra_New")->setChecked(true);
        w.findChild<QPushButton *>("Bu_Search")->click();
        EXPECT_EQ(w.playback().currentQuery, u"Max=10&Sort=New&Artist=e2e&Open=3");
        QTRY_VERIFY_WITH_TIMEOUT(captions.size() >= 5 && !w.playback().player(), 30000);
        EXPECT_EQ(captions, (QStringList{"Kalvuno ", "Kalvuno - 検索中...", "Kalvuno - 曲1", "Kalvuno ", "Kalvuno - 曲2",
                                          "Kalvuno ", "Kalvuno - 曲3", "Kalvuno "}));
        w.close();
    }
    qunsetenv("KALVUNO_SERVICE_HOST");
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
    IniFile counts{QString()};
    counts.loadBytes(QByteArray::fromStdString(library.service->search("Max=10&Sort=New&Open=1", "h").body));
    for (const char *id : {"e2e0000100000000", "e2e0000200000000", "e2e0000300000000"})
        EXPECT_EQ(counts.readString(QString::fromLatin1(id), u"MP3Count"), u"1") << id;
}

TEST(EndToEnd, AnErrorStatusIsAFailedSearchAndTheListStays)
{
    LocalService library;
    TempDir tmp;
    const QString current = tmp.path("Current.ini");
    writeBytes(current, "[k]\r\nTitle=mine\r\n");
    SystemClock clock;
    HttpTransport http(clock);
    http.setAddressing(ServiceAddressing::forHost(library.host(), "/kalvuno/center2.fws"));
    EXPECT_EQ(SearchSongs(http, "Max=abc", current, false), SearchOutcome::Failed);
    EXPECT_EQ(readBytes(current), "[k]\r\nTitle=mine\r\n");
    EXPECT_EQ(SearchSongs(http, "Max=1&Sort=New&Open=1", current, true), SearchOutcome::Done);
    IniFile list(current);
    EXPECT_EQ(list.sectionNames(), (QStringList{"k", "e2e0000100000000"}));
    EXPECT_TRUE(readBytes(current).endsWith("\r\n"));

    // Adding the same songs again adds nothing, so moving and removing later
    // cannot lose a line.
    ASSERT_EQ(SearchSongs(http, "Max=3&Sort=New&Open=1", current, true), SearchOutcome::Done);
    ASSERT_EQ(SearchSongs(http, "Max=3&Sort=New&Open=1", current, true), SearchOutcome::Done);
    CurrentPlaylist playlist(current);
    playlist.load(0, true);
    const QStringList keys{"k", "e2e0000100000000", "e2e0000200000000", "e2e0000300000000"};
    EXPECT_EQ(playlist.keys(), keys);
    ASSERT_TRUE(playlist.moveSelectedDown());
    ASSERT_TRUE(playlist.removeSelected());
    EXPECT_EQ(playlist.count(), 3);
    EXPECT_EQ(IniFile(current).sectionNames(), playlist.keys());
}

} // namespace

namespace {

// A saved playlist named on the command line is opened by the first tick and plays.
TEST(EndToEnd, PlaylistFileOnTheCommandLine)
{
    TempDir home;
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    qputenv("HOME", home.dir.path().toUtf8());
    const QString profile = home.path("profile/");
    QDir().mkpath(profile);
    writeBytes(profile + "Kalvuno.ini", "[General]\r\nSetup=1\r\nBrowse=0\r\n");
    const QString song = home.path("a.wav");
    writeWav(song.toStdString(), makeTune(3, 3000));
    writeBytes(home.path("夜の部.pl"), *encodeCp932(QStringLiteral("[") + song + QStringLiteral("]\r\nTitle=一曲目\r\nMP3=") + song + QStringLiteral("\r\n")));
    TFo_Kalvuno w(profile, {home.path("夜の部.pl"), QStringLiteral("ignored.fvr")});
    w.show();
    QTRY_COMPARE_WITH_TIMEOUT(w.windowTitle(), QStringLiteral("Kalvuno - 一曲目"), 5000);
    EXPECT_EQ(w.playlist().caption(), u"夜の部");
    EXPECT_EQ(w.playlist().loadedPlaylistPath(), home.path("夜の部.pl"));
    EXPECT_TRUE(w.playback().currentQuery.isEmpty());
    w.close();
}

} // namespace
