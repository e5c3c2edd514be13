#include "AppPaths.h"
#include "EarlyStart.h"
#include "SilentPlayer.h"
#include "TempDir.h"
#include "TextCodec.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// A profile with its settings done, a song on disk and a saved playlist naming it first.
struct EarlyFixture
{
    TempDir temp;
    AppPaths paths = AppPaths::inFolder(temp.path("profile/"));
    QString instances = temp.path("instances");
    QString song = temp.path("曲.mp3");
    QString playlist = temp.path("list.pl");

    EarlyFixture()
    {
        QDir().mkpath(paths.profile);
        QDir().mkpath(instances);
        writeBytes(song, "ID3");
        writeBytes(paths.configuration, "[General]\r\nSetup=1\r\n");
        writeList(song);
    }
    void writeList(const QString &first)
    {
        writeBytes(playlist,
                   *encodeCp932("[first]\r\nTitle=a\r\nMP3=" + first + "\r\n[second]\r\nTitle=b\r\nMP3=" + song + "\r\n"));
    }
    QString predicted(const QStringList &arguments) const { return predictedFirstSong(arguments, paths, instances); }
};

} // namespace

TEST(EarlyStart, PredictsOnlyWhatTheWindowWillCertainlyOpenFirst)
{
    EarlyFixture f;
    EXPECT_EQ(f.predicted({f.playlist}), f.song);
    EXPECT_EQ(f.predicted({"/minimize", f.playlist, "other.mp3"}), f.song);

    // Arguments the window reads otherwise, or that name no saved playlist first.
    const QStringList notCertain[] = {
        {},
        {"/test", f.playlist},
        {"-platform", "offscreen", f.playlist},
        {f.song},
        {f.temp.path("x.fvr")},
        {f.temp.path("missing.pl")},
    };
    for (const QStringList &arguments : notCertain)
        EXPECT_EQ(f.predicted(arguments), QString()) << arguments.join(' ').toStdString();

    // First entries that are no local audio file there now.
    const QString notLocalAudio[] = {"http://example.jp/a.mp3", f.temp.path("gone.mp3"), f.temp.path("v.avi"),
                                     f.temp.path("v.mpg"), QString()};
    for (const QString &first : notLocalAudio) {
        if (first.endsWith(".avi") || first.endsWith(".mpg"))
            writeBytes(first, "x"); // video files that are there
        f.writeList(first);
        EXPECT_EQ(f.predicted({f.playlist}), QString()) << first.toStdString();
    }
}

TEST(EarlyStart, StateOfTheProfileOrAnotherInstanceRulesItOut)
{
    {
        EarlyFixture f;
        writeBytes(f.paths.configuration, "[General]\r\nSetup=0\r\n"); // the first-run dialog comes first
        EXPECT_EQ(f.predicted({f.playlist}), QString());
    }
    {
        EarlyFixture f;
        writeBytes(f.paths.currentList, "[left]\r\nTitle=x\r\nMP3=/x.mp3\r\n"); // played first instead
        EXPECT_EQ(f.predicted({f.playlist}), QString());
        writeBytes(f.paths.currentList, ""); // an empty one is no list
        EXPECT_EQ(f.predicted({f.playlist}), f.song);
    }
    {
        EarlyFixture f;
        writeBytes(f.instances + "/4242", ""); // a running instance's socket
        EXPECT_EQ(f.predicted({f.playlist}), QString());
    }
}

TEST(EarlyStart, DownloadedCopyIsPlayedInstead)
{
    EarlyFixture f;
    const QString folder = f.temp.path("dl/");
    QDir().mkpath(folder);
    writeBytes(folder + "copy.mp3", "ID3");
    writeBytes(f.paths.configuration,
               ("[General]\r\nSetup=1\r\nDownload=" + folder + "\r\n[DownLoad]\r\nfirst=copy.mp3\r\n").toLocal8Bit());
    EXPECT_EQ(f.predicted({f.playlist}), folder + "copy.mp3");
    EXPECT_EQ(playLocation("/a.mp3", "copy.mp3", folder), folder + "copy.mp3");
    EXPECT_EQ(playLocation("/a.mp3", "gone.mp3", folder), "/a.mp3");
    EXPECT_EQ(playLocation("/a.mp3", "copy.mp3", ""), "/a.mp3");
    EXPECT_EQ(playLocation("/a.mp3", "", folder), "/a.mp3");
}

TEST(EarlyStart, PlayerIsTakenOnlyForItsOwnSong)
{
    auto relay = std::make_shared<ChangeRelay>();
    auto player = std::make_shared<SilentPlayer>(QStringLiteral("/a.mp3"));
    int rings = 0;
    {
        EarlyStart early(QStringLiteral("/a.mp3"), player, relay);
        relay->ring(); // before anyone listens: goes nowhere
        const auto taken = early.takeFor(QStringLiteral("/a.mp3"), [&rings] { ++rings; });
        EXPECT_EQ(taken, player);
        EXPECT_FALSE(early.pending());
        relay->ring();
        EXPECT_EQ(rings, 1);
        EXPECT_EQ(early.takeFor(QStringLiteral("/a.mp3"), [] {}), nullptr); // only once
    }
    EXPECT_FALSE(player->terminated()); // leaving scope does not end a taken player

    auto other = std::make_shared<SilentPlayer>(QStringLiteral("/a.mp3"));
    EarlyStart early(QStringLiteral("/a.mp3"), other, std::make_shared<ChangeRelay>());
    EXPECT_EQ(early.takeFor(QStringLiteral("/b.mp3"), [] {}), nullptr);
    EXPECT_TRUE(other->terminated());
    EXPECT_FALSE(early.pending());

    auto unwanted = std::make_shared<SilentPlayer>(QStringLiteral("/a.mp3"));
    {
        EarlyStart dropped(QStringLiteral("/a.mp3"), unwanted, std::make_shared<ChangeRelay>());
    }
    EXPECT_TRUE(unwanted->terminated());
}
