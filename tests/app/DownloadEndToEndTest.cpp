#include "CatalogStore.h"
#include "DemoMedia.h"
#include "InProcessService.h"
#include "HttpFrontEnd.h"
#include "IniFile.h"
#include "LibraryService.h"
#include "MemoryLibrary.h"
#include "MainWindow.h"
#include "RawHttpServer.h"
#include "TPlay.h"
#include "TempDir.h"
#include "TextCodec.h"

#include <QDir>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QStatusBar>
#include "QtTry.h"
#include <atomic>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

using namespace kalvuno;
using namespace kalvuno::server;

namespace {

// The bundled service on 127.0.0.1 with two short songs of its own.
struct Library : InProcessService
{
    Library()
    {
        for (int i = 1; i <= 2; ++i) {
            const std::string base = media(i).chopped(4).toStdString();
            writeWav(base + ".wav", makeTune(uint32_t(i), 1000));
            writeMp3(base + ".mp3", base + ".wav");
        }
        start();
    }
    QString media(int i) const { return tmp.path(QStringLiteral("media/t%1.mp3").arg(i)); }
    QString url(int i) const { return QStringLiteral("http://127.0.0.1:%1/kalvuno/media/t%2.mp3").arg(port).arg(i); }
};

struct DownloadEndToEnd : ::testing::Test
{
    TempDir home;
    QString profile = home.path("profile/");
    QString music = home.path("music/");
    void SetUp() override
    {
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        qputenv("HOME", home.dir.path().toUtf8());
        QDir().mkpath(profile);
        QDir().mkpath(music);
    }
    void TearDown() override { EXPECT_TRUE(TPlay::waitForAllClosed(5000)); }
    void settings(const QString &folderKey) const
    {
        writeBytes(profile + "Kalvuno.ini", ("[General]\r\nSetup=1\r\nBrowse=0\r\nDownloadKalvunoOnly=0\r\n" + folderKey
                                             + "=" + music + "\r\n")
                                                .toUtf8());
    }
    QString record(const QString &key) const { return IniFile(profile + "Kalvuno.ini").readString(u"DownLoad", key); }
    // A hint takes the status bar while the pointer rests on its control:
    // rest it where no control has one.
    static void pointerAway(TFo_Kalvuno &w)
    {
        QCursor::setPos(w.menuBar()->mapToGlobal(QPoint(w.menuBar()->width() - 2, 2)));
        QTest::qWait(50);
        w.statusBar()->clearMessage();
    }
};

TEST_F(DownloadEndToEnd, SongsHeardToTheirEndAreDownloadedAndThenPlayFromTheCopy)
{
    Library library;
    settings("DownLoad");
    const QString id = "e2e0000100000000";
    const QString link = library.url(2) + "?id=1";
    writeBytes(profile + "Current.ini",
               *encodeCp932(QStringLiteral("[%1]\r\nTitle=曲1\r\nArtist=E2E Band\r\nMP3=%2\r\n"
                                           "[%3]\r\nTitle=Link\r\nArtist=Web\r\nMP3=%3\r\n")
                                .arg(id, library.url(1), link)));
    TFo_Kalvuno w(profile, {});
    QStringList messages;
    QObject::connect(w.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) { messages.append(m); });
    w.show(); // plays the list from its top, one song after the other
    pointerAway(w);
    QTRY_VERIFY_WITH_TIMEOUT(!record(id).isEmpty() && !record(link).isEmpty(), 30000);
    EXPECT_EQ(record(id), u"E2E Band/曲1.mp3"_qs);
    EXPECT_EQ(record(link), u"Web/Link.mp3");
    EXPECT_EQ(readBytes(music + u"E2E Band/曲1.mp3"_qs), readBytes(library.media(1)));
    EXPECT_EQ(readBytes(music + "Web/Link.mp3"), readBytes(library.media(2)));
    EXPECT_TRUE(messages.contains(u"ダウンロード中: 曲1 0 bytes"_qs)) << messages.join(u" | ").toStdString();
    QTRY_COMPARE(w.statusBar()->currentMessage(), QString());

    // The service no longer has the songs: only the copies can play.
    QTRY_VERIFY_WITH_TIMEOUT(!w.playback().player(), 10000);
    QFile::remove(library.media(1));
    QFile::remove(library.media(2));
    for (int line : {0, 1}) {
        w.playlist().select(line);
        w.PlaySelectedEntry();
        const auto player = w.playback().player();
        ASSERT_TRUE(player);
        QTRY_VERIFY_WITH_TIMEOUT(player->State == 1 && player->Duration > 0, 10000);
        w.StopPlayback();
    }
    w.close();
}

TEST_F(DownloadEndToEnd, ClosingEndsARunningDownloadAtOnceAndLeavesNoFile)
{
    TempDir media;
    const QString wav = media.path("song.wav");
    ASSERT_TRUE(writeWav(wav.toStdString(), makeTune(5, 1000)));
    const std::string song = readBytes(wav).toStdString();
    std::atomic<bool> downloading{false};
    std::atomic<bool> hungUp{false};
    // The player gets the song; the download gets a part of it, then nothing.
    RawHttpServer server([&](int fd, const std::string &request) {
        if (request.find("User-Agent: Kalvuno\r\n") == std::string::npos) {
            RawHttpServer::send(fd, httpAnswer(200, song));
            return;
        }
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 10000000\r\n\r\n" + song.substr(0, 2000));
        downloading = true;
        char byte;
        while (!server.stopping()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && ::recv(fd, &byte, 1, 0) <= 0) {
                hungUp = true;
                return;
            }
        }
    });
    settings("DownLoadWAV");
    const QString url = QStringLiteral("http://127.0.0.1:%1/song.wav").arg(server.port());
    writeBytes(profile + "Current.ini", ("[" + url + "]\r\nTitle=Slow\r\nArtist=Web\r\nMP3=" + url + "\r\n").toUtf8());
    TFo_Kalvuno w(profile, {});
    w.show();
    pointerAway(w);
    QTRY_VERIFY_WITH_TIMEOUT(downloading, 15000);
    QTRY_VERIFY(w.statusBar()->currentMessage().startsWith(u"ダウンロード中: Slow"_qs));
    // A hint that comes meanwhile stays as long as its control has the
    // pointer; the progress is back once it has gone.
    QStatusTipEvent hint(u"ヒント"_qs);
    QApplication::sendEvent(&w, &hint);
    QTest::qWait(1500);
    EXPECT_EQ(w.statusBar()->currentMessage(), u"ヒント"_qs);
    QStatusTipEvent gone{QString()};
    QApplication::sendEvent(&w, &gone);
    QTRY_VERIFY_WITH_TIMEOUT(w.statusBar()->currentMessage().startsWith(u"ダウンロード中: Slow"_qs), 3000);
    QElapsedTimer timer;
    timer.start();
    w.close();
    QTRY_VERIFY_WITH_TIMEOUT(hungUp, 1000);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(QDir(music + "Web").entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(record(url).isEmpty());
}

} // namespace
