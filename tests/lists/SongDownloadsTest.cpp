#include "HttpTransport.h"
#include "RawHttpServer.h"
#include "SongDownloads.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

using namespace kalvuno;

namespace {

QString local(const RawHttpServer &server, const QString &path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(path);
}

bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    return QTest::qWaitFor(done, ms);
}

// "Kalvuno.ini" with the records, an MP3 download folder, and the downloads.
struct DownloadsTest : ::testing::Test
{
    TempDir tmp;
    QString ini = tmp.path("Kalvuno.ini");
    IniFile settingsFile{ini};
    DownloadSettings settings;
    std::unique_ptr<SongDownloads> downloads;
    QStringList texts;
    int idles = 0;

    void SetUp() override
    {
        QDir().mkpath(tmp.path("mp3"));
        settings.mp3Folder = tmp.path("mp3/");
        settings.libraryOnly = false;
        start(std::make_unique<NetworkFetcher>(DownloadOptions(), 1000));
    }
    void start(std::unique_ptr<MediaFetcher> fetcher)
    {
        downloads = std::make_unique<SongDownloads>(settingsFile, "DownLoad", std::move(fetcher));
        QObject::connect(downloads.get(), &SongDownloads::progressText, [this](const QString &t) { texts.append(t); });
        QObject::connect(downloads.get(), &SongDownloads::idle, [this] { ++idles; });
    }
    QString copy(const char *relative) const { return tmp.path(QStringLiteral("mp3/") + relative); }
};

TEST_F(DownloadsTest, ACompleteCopyIsRecordedAndRoundTripsWithAKeyHoldingEquals)
{
    const std::string song(300000, 's');
    RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, song)); });
    const QString key = local(server, "/s.mp3?id=1");
    ASSERT_TRUE(downloads->DownloadFinishedEntry({key, key, "Band", u"夜の歌"_qs}, settings));
    ASSERT_TRUE(waitFor([&] { return idles == 1; }));
    EXPECT_EQ(readBytes(copy("Band/夜の歌.mp3")).toStdString(), song);
    EXPECT_EQ(IniFile(ini).readString(u"DownLoad", key), u"Band/夜の歌.mp3"_qs);
    EXPECT_EQ(IniFile(ini).sectionEntries(u"DownLoad").size(), 1);
    EXPECT_TRUE(texts.first().startsWith(u"ダウンロード中: 夜の歌"_qs)) << texts.first().toStdString();
    // The copy is there: the next finish fetches nothing.
    EXPECT_FALSE(downloads->DownloadFinishedEntry({key, key, "Band", u"夜の歌"_qs}, settings));
    EXPECT_EQ(server.connections(), 1);
}

// A 404 page or a cut body was once stored, recorded and then played instead
// of the song for ever.
TEST_F(DownloadsTest, AFailedDownloadLeavesNoFileNoRecordAndKeepsTheOlderCopy)
{
    struct Case
    {
        const char *what;
        std::string answer;
    };
    const Case cases[] = {
        {"a 404 page", httpAnswer(404, "<html>not found</html>")},
        {"a connection closed early", "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(4000, 'p')},
    };
    int run = 0;
    for (const Case &c : cases) {
        for (const bool older : {false, true}) {
            const QString key = QStringLiteral("song%1").arg(++run);
            const QString file = copy("Band/") + key + ".mp3";
            if (older) {
                QDir().mkpath(copy("Band"));
                writeBytes(file, "older copy");
                settingsFile.writeString(u"DownLoad", key, u"Band/older.mp3");
            }
            RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, c.answer); });
            const int before = idles;
            ASSERT_TRUE(downloads->DownloadFinishedEntry({key, local(server, "/a.mp3"), "Band", key}, settings));
            ASSERT_TRUE(waitFor([&] { return idles == before + 1; })) << c.what;
            EXPECT_EQ(IniFile(ini).readString(u"DownLoad", key), older ? "Band/older.mp3" : "") << c.what;
            EXPECT_EQ(readBytes(file), older ? "older copy" : "") << c.what;
            EXPECT_EQ(QFileInfo::exists(file), older) << c.what;
            const QStringList inFolder = QDir(copy("Band")).entryList(QDir::Files | QDir::Hidden);
            EXPECT_EQ(inFolder.size(), older ? 1 : 0) << c.what << ": " << inFolder.join(' ').toStdString();
            settingsFile.eraseKey(u"DownLoad", key);
            QFile::remove(file);
        }
    }
}

// Holds each job until it is cancelled or let go, and tells which thread ran it.
class HeldFetcher final : public MediaFetcher
{
public:
    std::atomic<bool> letGo{false};
    std::atomic<int> started{0};
    std::atomic<bool> ranOnCallerThread{false};
    std::thread::id caller = std::this_thread::get_id();

    bool fetch(const DownloadJob &job, const std::atomic<bool> &cancel,
               const DownloadProgressFunction &progress) override
    {
        ++started;
        ranOnCallerThread = ranOnCallerThread || std::this_thread::get_id() == caller;
        while (!cancel && !letGo) {
            progress(10, 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (cancel)
            return false;
        QDir().mkpath(job.folder + job.artist);
        return writeBytes(job.target(), "copy");
    }
};

TEST_F(DownloadsTest, OneRunsOnItsOwnThreadEightWaitAndMoreAreSkipped)
{
    auto held = std::make_unique<HeldFetcher>();
    HeldFetcher &fetcher = *held;
    start(std::move(held));
    const auto entry = [](int i) {
        const QString key = QStringLiteral("song%1").arg(i, 12, 10, QChar(u'0'));
        return FinishedEntry{key, "http://h/" + key + ".mp3", "Band", key};
    };
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(downloads->DownloadFinishedEntry(entry(i), settings)) << i;
    EXPECT_FALSE(downloads->DownloadFinishedEntry(entry(9), settings)) << "a ninth waiting job";
    EXPECT_FALSE(downloads->DownloadFinishedEntry(entry(3), settings)) << "the same copy twice";
    ASSERT_TRUE(waitFor([&] { return fetcher.started == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(fetcher.started, 1) << "one at a time";
    EXPECT_FALSE(downloads->isIdle());
    EXPECT_TRUE(texts.contains(downloadProgressText(entry(0).title, 10, 100)));

    fetcher.letGo = true;
    ASSERT_TRUE(waitFor([&] { return idles == 1; }));
    EXPECT_EQ(fetcher.started, 9);
    EXPECT_FALSE(fetcher.ranOnCallerThread);
    EXPECT_EQ(IniFile(ini).sectionEntries(u"DownLoad").size(), 9);
    EXPECT_TRUE(downloads->DownloadFinishedEntry(entry(9), settings)) << "room again";
    ASSERT_TRUE(waitFor([&] { return idles == 2; }));
}

TEST_F(DownloadsTest, CancellingEndsTheTransferAtOnceAndLeavesNoFile)
{
    // Each server holds its first connection and takes no other meanwhile.
    const auto stall = [](RawHttpServer &server, int fd) {
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'p'));
        server.pause(20000);
    };
    RawHttpServer server([&](int fd, const std::string &) { stall(server, fd); });
    start(std::make_unique<NetworkFetcher>()); // the program's 30 s stall limit
    ASSERT_TRUE(downloads->DownloadFinishedEntry({"first", local(server, "/a.mp3"), "Band", "First"}, settings));
    ASSERT_TRUE(downloads->DownloadFinishedEntry({"second", local(server, "/b.mp3"), "Band", "Second"}, settings));
    ASSERT_TRUE(waitFor([&] { return server.connections() == 1; }));
    QTest::qWait(200);
    QElapsedTimer timer;
    timer.start();
    downloads->cancelAll();
    EXPECT_FALSE(downloads->DownloadFinishedEntry({"third", local(server, "/c.mp3"), "Band", "Third"}, settings));
    ASSERT_TRUE(waitFor([&] { return downloads->isIdle(); }, 1000));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(server.connections(), 1) << "the waiting job never started";
    EXPECT_TRUE(QDir(copy("Band")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(IniFile(ini).sectionEntries(u"DownLoad").isEmpty());

    // Going away with a transfer running is just as quick.
    RawHttpServer other([&](int fd, const std::string &) { stall(other, fd); });
    start(std::make_unique<NetworkFetcher>());
    ASSERT_TRUE(downloads->DownloadFinishedEntry({"fourth", local(other, "/d.mp3"), "Band", "Fourth"}, settings));
    ASSERT_TRUE(waitFor([&] { return other.connections() == 1; }));
    QTest::qWait(200);
    timer.restart();
    downloads.reset();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(QDir(copy("Band")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(DownloadProgressText, PercentOrBytes)
{
    EXPECT_EQ(downloadProgressText("Song", 45, 100), u"ダウンロード中: Song 45%"_qs);
    EXPECT_EQ(downloadProgressText("Song", 3000000, 3000000), u"ダウンロード中: Song 100%"_qs);
    EXPECT_EQ(downloadProgressText("Song", 1536, -1), u"ダウンロード中: Song 1.5 kB"_qs);
    EXPECT_EQ(downloadProgressText("Song", 0, -1), u"ダウンロード中: Song 0 bytes"_qs);
}

} // namespace
