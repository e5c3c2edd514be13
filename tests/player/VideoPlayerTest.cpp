// A video player against the real video window, which goes while the player
// still runs (as at exit). Qt's offscreen platform: no display needed.
#include "GstLaunch.h"
#include "TPlayGst.h"
#include "TempDir.h"
#include "VideoWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Ten seconds of video, so that it plays on through every test.
const QString &longAvi()
{
    static TempDir tmp;
    static const QString path = [] {
        const QString p = tmp.path("long.avi");
        const bool made = gstLaunch({"videotestsrc", "num-buffers=250", "!",
                                     "video/x-raw,width=160,height=120,framerate=25/1", "!", "jpegenc", "!", "avimux",
                                     "!", "filesink", "location=" + p.toStdString()});
        return made ? p : QString();
    }();
    return path;
}

template <class Pred> bool waitWithEvents(Pred done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return done();
}

TEST(VideoPlayer, PlaysOnAfterItsWindowHasGone)
{
    ASSERT_FALSE(longAvi().isEmpty());
    auto *video = new TFo_Video;
    auto player = TPlay::create<TPlayGst>(longAvi(), video, QStringLiteral("夜明けの歌"));
    ASSERT_TRUE(waitWithEvents([&] { return player->State.load() == 1; }, 10000));
    ASSERT_TRUE(waitWithEvents([&] { return video->isVisible(); }, 2000)) << "the player shows its window";
    EXPECT_EQ(video->windowTitle(), QStringLiteral("夜明けの歌"));
    video->resize(400, 300);
    delete video;

    // Every pass looks for a resize of the window, and sizing the video asks
    // the window for its size or gives it one.
    QThread::msleep(300);
    for (const int mode : {0, 1, 2, 0})
        player->ApplyVideoSize(mode);
    QThread::msleep(200);
    EXPECT_EQ(player->State.load(), 1);
    EXPECT_LT(player->Position.load(), 1.0) << "still playing";
    player->terminate();
    EXPECT_TRUE(TPlay::waitForAllClosed(10000));
}

TEST(VideoPlayer, WindowsGoingAtAnyMomentOfTheOpening)
{
    ASSERT_FALSE(longAvi().isEmpty());
    std::vector<std::shared_ptr<TPlayGst>> players;
    for (int delayMs = 0; delayMs <= 150; delayMs += 15) {
        auto *video = new TFo_Video;
        players.push_back(TPlay::create<TPlayGst>(longAvi(), video));
        QElapsedTimer timer;
        timer.start();
        waitWithEvents([&] { return timer.elapsed() >= delayMs; }, delayMs);
        delete video;
    }
    for (const auto &player : players) {
        EXPECT_TRUE(waitWithEvents([&] { return player->State.load() == 1; }, 10000));
        player->terminate();
    }
    EXPECT_TRUE(TPlay::waitForAllClosed(10000));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    qputenv("KALVUNO_VIDEO_SINK", "fakesink sync=true");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
