#include "DemoMedia.h"
#include "GstLaunch.h"
#include "TPlayGst.h"
#include "TempDir.h"
#include "VideoSurface.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kalvuno::server;

namespace {

// A video window stand-in that records what the player asked of it.
class FakeSurface : public VideoSurface
{
public:
    ~FakeSurface() override { detachSurface(); }
    uintptr_t nativeWindow() const override { return 1; }
    QSize clientSize() const override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_size;
    }
    void showSurface(const QString &) override { ++shown; }
    void hideSurface() override { ++hidden; }
    void setClientSize(const QSize &size) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_size = size;
        m_sized.push_back(size);
    }
    std::vector<QSize> sized() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sized;
    }
    std::atomic<int> shown{0};
    std::atomic<int> hidden{0};

private:
    mutable std::mutex m_mutex;
    QSize m_size{400, 300};
    std::vector<QSize> m_sized;
};

// Short media of every kind, made once for all tests, served over http too.
class Media : public ::testing::Environment
{
public:
    void SetUp() override
    {
        qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        qputenv("KALVUNO_VIDEO_SINK", "fakesink sync=true");
        const std::string d = dir.dir.path().toStdString();
        const Tune tune = makeTune(7, 2000);
        ASSERT_TRUE(writeWav(d + "/a.wav", tune));
        ASSERT_TRUE(writeMidi(d + "/a.mid", tune));
        ASSERT_TRUE(writeMp3(d + "/a.mp3", d + "/a.wav"));
        ASSERT_TRUE(writeMpeg(d + "/a.mpg", d + "/a.wav", 0, tune.totalMs()));
        ASSERT_TRUE(writeAvi(d + "/a.avi", d + "/a.wav", 0, tune.totalMs()));
        ASSERT_TRUE(writeWav(d + "/long.wav", makeTune(9, 4000)));
        QFile::copy(dir.dir.path() + "/a.mpg", dir.dir.path() + "/a.mpeg");
        ASSERT_TRUE(gstLaunch({"videotestsrc", "num-buffers=50", "!", "video/x-raw,width=352,height=240,framerate=25/1",
                               "!", "videoconvert", "!", "jpegenc", "!", "avimux", "!", "filesink",
                               "location=" + d + "/sif.avi"}));
        server.set_mount_point("/media", d);
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
    }
    void TearDown() override
    {
        server.stop();
        thread.join();
    }
    static QString local(const char *name) { return instance->dir.dir.path() + u'/' + QString::fromLatin1(name); }
    static QString http(const char *name)
    {
        return QStringLiteral("http://127.0.0.1:%1/media/%2").arg(instance->port).arg(QString::fromLatin1(name));
    }

    static Media *instance;
    TempDir dir;
    httplib::Server server;
    int port = 0;
    std::thread thread;
};
Media *Media::instance = nullptr;

template <class Pred> bool waitFor(Pred done, int ms)
{
    for (int waited = 0; waited < ms; waited += 20) {
        if (done())
            return true;
        QThread::msleep(20);
    }
    return done();
}

TEST(GstPlayer, EveryKindPlaysToItsEndLocallyAndOverHttp)
{
    std::vector<std::pair<QString, std::shared_ptr<TPlayGst>>> players;
    for (const char *name : {"a.mp3", "a.wav", "a.mid", "a.mpg", "a.avi"})
        for (const QString &where : {Media::local(name), Media::http(name)})
            players.emplace_back(where, TPlay::create<TPlayGst>(where));
    // Ten media at once, under a sanitizer too: the bound only tells a hang.
    for (auto &[where, player] : players) {
        EXPECT_TRUE(waitFor([&] { return player->Position.load() == 1.0; }, 60000)) << where.toStdString();
        EXPECT_EQ(player->State.load(), 1) << where.toStdString();
        EXPECT_GT(player->Duration.load(), 15000000) << where.toStdString(); // over 1.5 s, in 100 ns units
        EXPECT_FALSE(player->Seeked.load());
        player->terminate();
    }
    EXPECT_TRUE(TPlay::waitForAllClosed(10000));
}

TEST(GstPlayer, PauseSeekResumePlaysFromTheNewPlace)
{
    auto player = TPlay::create<TPlayGst>(Media::local("long.wav"));
    ASSERT_TRUE(waitFor([&] { return player->State.load() == 1; }, 10000));
    const int64_t duration = player->Duration;
    EXPECT_NEAR(double(duration), 40000000.0, 500000.0);
    player->addCommand(QStringLiteral("Pause"));
    ASSERT_TRUE(waitFor([&] { return player->State.load() == 2; }, 2000));
    player->addCommand(TPlay::seekCommand(0.75));
    ASSERT_TRUE(waitFor([&] { return player->Seeked.load(); }, 2000));
    QThread::msleep(300);
    EXPECT_NEAR(player->Position.load(), 0.75, 0.02) << "paused at the new place";
    player->addCommand(QStringLiteral("Resume"));
    // A quarter of four seconds is left.
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(waitFor([&] { return player->Position.load() == 1.0; }, 5000));
    EXPECT_LT(timer.elapsed(), 2500);
    EXPECT_TRUE(player->Seeked.load()) << "stays set until the player ends";
    player->terminate();
}

TEST(GstPlayer, PositionMovesWithTheClockAndJumpsAtOnceOnASeek)
{
    auto player = TPlay::create<TPlayGst>(Media::local("long.wav"));
    ASSERT_TRUE(waitFor([&] { return player->State.load() == 1 && player->Position.load() > 0.05; }, 10000));
    // Four seconds long: a second of playing is a quarter, read between real queries too.
    const double before = player->Position;
    QThread::msleep(1000);
    EXPECT_NEAR(player->Position.load() - before, 0.25, 0.06);
    // A seek shows at once, not after the next real query.
    player->addCommand(TPlay::seekCommand(0.1));
    ASSERT_TRUE(waitFor([&] { return player->Seeked.load(); }, 2000));
    QThread::msleep(120);
    EXPECT_NEAR(player->Position.load(), 0.13, 0.06);
    // Paused, it stands still.
    player->addCommand(QStringLiteral("Pause"));
    ASSERT_TRUE(waitFor([&] { return player->State.load() == 2; }, 2000));
    QThread::msleep(100);
    const double paused = player->Position;
    QThread::msleep(800);
    EXPECT_EQ(player->Position.load(), paused);
    player->terminate();
}

TEST(GstPlayer, AHeldPlayerWaitsSilentlyAndPlaysFromTheStartOnRelease)
{
    auto held = TPlay::createHeld<TPlayGst>(nullptr, Media::local("long.wav"));
    QThread::msleep(1500);
    EXPECT_EQ(held->State.load(), 0) << "not open while held";
    QElapsedTimer timer;
    timer.start();
    held->release();
    ASSERT_TRUE(waitFor([&] { return held->State.load() == 1; }, 5000));
    EXPECT_NEAR(double(held->Duration.load()), 40000000.0, 500000.0) << "its length known as it opens";
    EXPECT_LT(held->Position.load(), 0.2) << "nothing played while held";
    // All four seconds play.
    ASSERT_TRUE(waitFor([&] { return held->Position.load() == 1.0; }, 20000));
    EXPECT_GT(timer.elapsed(), 3500);
    held->terminate();

    // Told to end while held, it ends without opening.
    auto dropped = TPlay::createHeld<TPlayGst>(nullptr, Media::local("long.wav"));
    QThread::msleep(300);
    dropped->terminate();
    EXPECT_TRUE(TPlay::waitForAllClosed(10000));
    EXPECT_EQ(dropped->State.load(), 0);
}

TEST(GstPlayer, OnlyLocalAudioIsPreparedAhead)
{
    EXPECT_TRUE(TPlayGst::canPrepare(Media::local("a.wav")));
    EXPECT_TRUE(TPlayGst::canPrepare(Media::local("a.mp3")));
    EXPECT_FALSE(TPlayGst::canPrepare(Media::local("a.avi")));   // it would show its window
    EXPECT_FALSE(TPlayGst::canPrepare(Media::local("a.mpg")));
    EXPECT_FALSE(TPlayGst::canPrepare(Media::http("a.wav")));    // nothing fetched before its turn
    EXPECT_FALSE(TPlayGst::canPrepare(Media::local("none.wav")));
}

TEST(GstPlayer, AnEndShowsWithoutWaitingForTheNextPass)
{
    // Passes a minute apart: only the end's own wake-up can show it within seconds.
    TPlay::setPassIntervalMs(60000);
    auto player = TPlay::create<TPlayGst>(Media::local("a.wav"));
    const bool ended = waitFor([&] { return player->Position.load() == 1.0; }, 30000);
    TPlay::setPassIntervalMs(kPlayerPassMs);
    EXPECT_TRUE(ended);
    player->terminate();
}

TEST(GstPlayer, UnopenableLocationsEndAtOnceWithUnknownLength)
{
    // A port nobody listens on: bound for a moment, then closed.
    int closedPort = 0;
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
        closedPort = ntohs(addr.sin_port);
        ::close(fd);
    }
    for (const QString &where : {Media::local("missing.mp3"), Media::http("missing.mp3"),
                                 QStringLiteral("http://127.0.0.1:%1/a.mp3").arg(closedPort), Media::local("a.mid") + "x"}) {
        auto player = TPlay::create<TPlayGst>(where);
        ASSERT_TRUE(waitFor([&] { return player->State.load() == 1; }, 10000)) << where.toStdString();
        EXPECT_EQ(player->Duration.load(), 0) << where.toStdString();
        ASSERT_TRUE(waitFor([&] { return player->Position.load() == 1.0; }, 1000)) << where.toStdString();
        player->terminate();
    }
}

TEST(GstPlayer, DevicesAndFifosEndAtOnceWithoutReachingGStreamer)
{
    // Opened by GStreamer, a FIFO without a writer would block its reader
    // until the open limit, and /dev/zero would feed the type finder zeros.
    const QString fifo = Media::local("fifo.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &where : {QStringLiteral("/dev/zero"), fifo, QStringLiteral("file://") + fifo}) {
        QElapsedTimer timer;
        timer.start();
        auto player = TPlay::create<TPlayGst>(where);
        ASSERT_TRUE(waitFor([&] { return player->State.load() == 1 && player->Position.load() == 1.0; }, 3000))
            << where.toStdString();
        EXPECT_EQ(player->Duration.load(), 0) << where.toStdString();
        player->terminate();
        EXPECT_TRUE(TPlay::waitForAllClosed(3000)) << where.toStdString();
    }
    QFile::remove(fifo);
}

TEST(GstPlayer, VideoByExtension)
{
    struct Case
    {
        const char *name;
        bool video;
    };
    for (const Case c : {Case{"a.mpg", true}, Case{"a.avi", true}, Case{"a.mpeg", false}, Case{"a.mp3", false}}) {
        FakeSurface surface;
        auto player = TPlay::create<TPlayGst>(Media::local(c.name), &surface, QStringLiteral("曲"));
        ASSERT_TRUE(waitFor([&] { return player->State.load() == 1; }, 10000)) << c.name;
        EXPECT_EQ(surface.shown.load(), c.video ? 1 : 0) << c.name;
        EXPECT_EQ(surface.hidden.load(), c.video ? 0 : 1) << c.name;
        player->terminate();
        EXPECT_TRUE(TPlay::waitForAllClosed(5000));
    }
    const std::pair<const char *, bool> rules[] = {{"http://h/x/song.AVI", true}, {"c:\\m\\a.mpg", true},
                                                   {"/m/a.mp3", false},          {"http://h/dir.avi/stream", false},
                                                   {"/m/a.mpeg", false},         {"http://h:8080", false}};
    for (const auto &[where, video] : rules)
        EXPECT_EQ(TPlayGst::isVideo(TPlayGst::extensionOf(QString::fromLatin1(where)), true), video) << where;
}

TEST(GstPlayer, VideoSizeModes)
{
    FakeSurface surface;
    TPlayGst::setVideoMode(1);
    auto player = TPlay::create<TPlayGst>(Media::local("sif.avi"), &surface);
    // The user-interface thread may fit the video while the player still opens it.
    ASSERT_TRUE(waitFor(
        [&] {
            player->ApplyVideoSize(0);
            return player->State.load() == 1;
        },
        10000));
    ASSERT_EQ(surface.sized().size(), 1u);
    EXPECT_EQ(surface.sized()[0], QSize(352, 240));
    player->ApplyVideoSize(2);
    EXPECT_EQ(surface.sized().back(), QSize(704, 480));
    player->ApplyVideoSize(-1);
    EXPECT_EQ(surface.sized().size(), 2u);
    player->terminate();

    // An audio medium has no video size.
    FakeSurface audioSurface;
    auto audio = TPlay::create<TPlayGst>(Media::local("a.wav"), &audioSurface);
    ASSERT_TRUE(waitFor([&] { return audio->State.load() == 1; }, 10000));
    audio->ApplyVideoSize(1);
    EXPECT_TRUE(audioSurface.sized().empty());
    audio->terminate();
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    Media::instance = new Media;
    ::testing::AddGlobalTestEnvironment(Media::instance);
    return RUN_ALL_TESTS();
}
