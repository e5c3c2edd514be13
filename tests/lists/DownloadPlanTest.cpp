#include "DownloadPlan.h"
#include "SafeFileName.h"
#include "TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(SafeFileName, HostileNamesStayOneNameInsideTheirFolder)
{
    struct Case
    {
        const char *what;
        QString name;
        QString safe;
    };
    const QString emoji = u"😀"_qs;
    const Case cases[] = {
        {"a plain name", u"夜明けの歌 (live)"_qs, u"夜明けの歌 (live)"_qs},
        {"a way up", "../x", "_._x"},
        {"a folder", "a/b", "a_b"},
        {"a Windows folder", "a\\b", "a_b"},
        {"the folder above", "..", "_"},
        {"this folder", ".", "_"},
        {"a hidden name", ".hidden", "_hidden"},
        {"dots inside stay", "a..b.", "a..b."},
        {"control characters", QString::fromUtf8("a\tb\nc\x7f" "d") + QChar(0) + "e", "a_b_c_d_e"},
        {"300 bytes of ASCII", QString(300, u'a'), QString(255, u'a')},
        {"300 bytes of kana", QString(100, u'あ'), QString(85, u'あ')},
        {"a character across the limit", QString(253, u'a') + emoji, QString(253, u'a')},
        {"a character that just fits", QString(251, u'a') + emoji + "b", QString(251, u'a') + emoji},
        {"empty", "", ""},
    };
    for (const Case &c : cases) {
        const QString safe = safeFileNamePart(c.name);
        EXPECT_EQ(safe, c.safe) << c.what;
        EXPECT_LE(safe.toUtf8().size(), 255) << c.what;
    }
    EXPECT_EQ(safeFileNamePart(u"夜明け"_qs, 7), u"夜明"_qs);
}

struct PlanTest : ::testing::Test
{
    TempDir tmp;
    DownloadSettings settings;
    void SetUp() override
    {
        for (const char *folder : {"mp3", "wav", "mpeg", "midi"})
            QDir().mkpath(tmp.path(folder));
        settings.mp3Folder = tmp.path("mp3/");
        settings.wavFolder = tmp.path("wav");
        settings.mpegFolder = tmp.path("mpeg/");
        settings.midiFolder = tmp.path("midi/");
    }
};

TEST_F(PlanTest, OnlyDueEntriesAreDownloadedIntoTheirTypesFolder)
{
    struct Case
    {
        const char *what;
        FinishedEntry entry;
        std::function<void(DownloadSettings &)> change;
        QString target; // below the temporary folder; empty: no download
    };
    const auto none = [](DownloadSettings &) {};
    const auto linksToo = [](DownloadSettings &s) { s.libraryOnly = false; };
    const QString id = "0123456789abcdef";
    const Case cases[] = {
        {"a library song", {id, "http://h/m/a.mp3", "Band", "Song"}, none, "mp3/Band/Song.mp3"},
        {"an absolute path", {"/music/a.mp3", "/music/a.mp3", "Band", "Song"}, linksToo, ""},
        {"a file URL", {"file:///music/a.mp3", "file:///music/a.mp3", "Band", "Song"}, linksToo, ""},
        {"a Windows path", {"C:\\music\\a.mp3", "C:\\music\\a.mp3", "Band", "Song"}, linksToo, ""},
        {"downloads off", {id, "http://h/a.mp3", "Band", "Song"}, [](DownloadSettings &s) { s.enabled = false; }, ""},
        {"a link while only library songs are kept", {"http://h/a.mp3", "http://h/a.mp3", "Band", "Song"}, none, ""},
        {"a link when links are kept", {"http://h/a.mp3", "http://h/a.mp3", "Unknown", "a"}, linksToo,
         "mp3/Unknown/a.mp3"},
        {"a query after the extension", {"http://h/s.mp3?id=1", "http://h/s.mp3?id=1", "B", "S"}, linksToo,
         "mp3/B/S.mp3"},
        {"MPEG in any letter case", {id, "http://h/v.MpEg", "Band", "Clip"}, none, "mpeg/Band/Clip.MpEg"},
        {"MPG", {id, "http://h/v.mpg", "Band", "Clip"}, none, "mpeg/Band/Clip.mpg"},
        {"WAV into a folder set without its slash", {id, "http://h/v.wav", "Band", "Take"}, none, "wav/Band/Take.wav"},
        {"MIDI", {id, "http://h/v.mid", "Band", "Tune"}, none, "midi/Band/Tune.mid"},
        {"AVI has no folder", {id, "http://h/v.avi", "Band", "Clip"}, none, ""},
        {"no extension", {id, "http://h.jp:80/play", "Band", "Song"}, none, ""},
        {"no artist", {id, "http://h/a.mp3", "", "Song"}, none, ""},
        {"no title", {id, "http://h/a.mp3", "Band", ""}, none, ""},
        {"no folder for the type", {id, "http://h/a.mid", "Band", "Tune"},
         [](DownloadSettings &s) { s.midiFolder.clear(); }, ""},
        {"a folder that is not there", {id, "http://h/a.mp3", "Band", "Song"},
         [this](DownloadSettings &s) { s.mp3Folder = tmp.path("gone/"); }, ""},
        {"a hostile artist and title", {id, "http://h/a.mp3", "../../..", "../passwd"}, none,
         "mp3/_._.._../_._passwd.mp3"},
        {"a title as long as a name may be", {id, "http://h/a.mp3", "Band", QString(300, u't')}, none,
         "mp3/Band/" + QString(251, u't') + ".mp3"},
    };
    for (const Case &c : cases) {
        DownloadSettings s = settings;
        c.change(s);
        const auto job = planDownload(c.entry, s, QString());
        if (c.target.isEmpty()) {
            EXPECT_FALSE(job.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(job.has_value()) << c.what;
        EXPECT_EQ(job->target(), tmp.path(c.target)) << c.what;
        EXPECT_EQ(job->url, c.entry.location) << c.what;
        EXPECT_EQ(job->key, c.entry.key) << c.what;
        EXPECT_EQ(job->folder + job->relativePath(), job->target()) << c.what;
        // Wherever the names came from, the copy lies one folder below the download folder.
        EXPECT_EQ(QFileInfo(QFileInfo(QDir::cleanPath(job->target())).absolutePath()).absolutePath() + u'/',
                  QDir::cleanPath(job->folder) + u'/')
            << c.what;
    }
}

TEST_F(PlanTest, ARecordedCopyThatIsStillThereIsNotFetchedAgain)
{
    const FinishedEntry entry{"0123456789abcdef", "http://h/a.mp3", "Band", "Song"};
    EXPECT_TRUE(planDownload(entry, settings, "Band/Song.mp3").has_value()) << "recorded, but the file is gone";
    QDir().mkpath(tmp.path("mp3/Band"));
    writeBytes(tmp.path("mp3/Band/Song.mp3"), "copy");
    EXPECT_FALSE(planDownload(entry, settings, "Band/Song.mp3").has_value());
    EXPECT_TRUE(planDownload(entry, settings, "Other/Song.mp3").has_value()) << "recorded elsewhere";
    EXPECT_TRUE(planDownload(entry, settings, QString()).has_value()) << "a file of the name, but no record";
}

} // namespace
