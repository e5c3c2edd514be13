#include "CurrentPlaylist.h"
#include "Id3v1.h"
#include "MediaFixtures.h"
#include "MediaIntake.h"
#include "TempDir.h"
#include "TextCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <future>
#include <thread>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kalvuno;

namespace {

QByteArray cp932(const QString &text) { return *encodeCp932(text); }

TEST(Id3v1, FieldsAreReadAsWrittenWithTheirGenreName)
{
    struct Case
    {
        const char *what;
        QByteArray title;
        QByteArray artist;
        int genre;
        TagText expected;
    };
    const Case cases[] = {
        {"blanks that pad a field stay", "Song   ", "  Band", 0, {"Song   ", "  Band", "Blues"}},
        {"a field ends at its first zero byte", QByteArray("Song\0rest", 9), "Band", 13, {"Song", "Band", "Pop"}},
        {"a full field of 30 bytes", QByteArray(30, 'x'), "", 79, {QString(30, u'x'), "", "Hard Rock"}},
        {"the first of Winamp's names", "t", "a", 80, {"t", "a", "Folk"}},
        {"the last name of the table", "t", "a", 147, {"t", "a", "Synthpop"}},
        {"148 is no genre", "t", "a", 148, {"t", "a", ""}},
        {"255 is no genre", "t", "a", 255, {"t", "a", ""}},
        {"CP932 text", cp932(u"夜明けの歌"_qs), cp932(u"山田花子"_qs), 146, {u"夜明けの歌"_qs, u"山田花子"_qs, "JPop"}},
        {"UTF-8 text", u"夜明けの歌"_qs.toUtf8(), u"Café"_qs.toUtf8(), 8, {u"夜明けの歌"_qs, u"Café"_qs, "Jazz"}},
        {"UTF-8 cut inside its last character",
         u"aあいうえおかきくけこ"_qs.toUtf8(),
         "",
         12,
         {u"aあいうえおかきくけ"_qs, "", "Other"}},
    };
    TempDir tmp;
    for (const Case &c : cases) {
        const QString path = tmp.path("song.mp3");
        ASSERT_TRUE(writeBytes(path, mpegAudio() + id3v1Tag(c.title, c.artist, c.genre)));
        const auto tag = ReadID3v1(path);
        ASSERT_TRUE(tag.has_value()) << c.what;
        EXPECT_EQ(tag->title, c.expected.title) << c.what;
        EXPECT_EQ(tag->artist, c.expected.artist) << c.what;
        EXPECT_EQ(tag->genre, c.expected.genre) << c.what;
    }
}

TEST(Id3v1, OnlyMp3FilesWithTheTagHaveOne)
{
    TempDir tmp;
    const QByteArray tagged = mpegAudio() + id3v1Tag("t", "a", 1);
    struct Case
    {
        const char *name;
        QByteArray bytes; // null: a folder of that name
        bool found;
    };
    const Case cases[] = {
        {"upper.MP3", tagged, true},
        {"mixed.Mp3", tagged, true},
        {"other.wav", tagged, false},
        {"mp3", tagged, false},
        {"short.mp3", id3v1Tag("t", "a", 1).chopped(1), false},
        {"exact.mp3", id3v1Tag("t", "a", 1), true},
        {"untagged.mp3", mpegAudio() + QByteArray(128, 'x'), false},
        {"folder.mp3", QByteArray(), false},
    };
    for (const Case &c : cases) {
        const QString path = tmp.path(c.name);
        if (c.bytes.isNull())
            QDir().mkpath(path);
        else
            writeBytes(path, c.bytes);
        EXPECT_EQ(ReadID3v1(path).has_value(), c.found) << c.name;
    }
    EXPECT_FALSE(ReadID3v1(tmp.path("missing.mp3")).has_value());
}

struct IntakeTest : ::testing::Test
{
    TempDir tmp;
    QString music = tmp.path("music/");
    void SetUp() override { QDir().mkpath(music); }
    QString write(const QString &relative, const QByteArray &bytes) const
    {
        const QString path = tmp.path(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeBytes(path, bytes);
        return path;
    }
};

TEST_F(IntakeTest, TitleArtistAndGenreComeFromTheTagsThenFromTheFolders)
{
    struct Case
    {
        const char *what;
        QString file;     // below the temporary folder
        QByteArray bytes; // null: the file does not exist
        EntryValues values; // without MP3
    };
    const QByteArray v2 = id3v2Tag({{"TIT2", utf16Frame(u"夜明けの歌"_qs)},
                                    {"TPE1", '\0' + cp932(u"山田花子"_qs)},
                                    {"TCON", QByteArray("\0(13)", 5)}})
        + mpegAudio();
    const Case cases[] = {
        {"a tag's empty artist is Unknown, even in an artist folder", "music/Band/a.mp3",
         mpegAudio() + id3v1Tag("Tagged", "", 255), {{"Title", "Tagged"}, {"Artist", "Unknown"}}},
        {"a tag's empty title is No Title", "elsewhere/b.mp3", mpegAudio() + id3v1Tag("", "Band", 147),
         {{"Title", "No Title"}, {"Artist", "Band"}, {"Genre", "Synthpop"}}},
        {"music folder + artist + song", "music/Artist/Song.mp3", QByteArray(),
         {{"Title", "Song"}, {"Artist", "Artist"}}},
        {"two folders deep", "music/A/B/Song.mp3", QByteArray(), {{"Title", "Song.mp3"}, {"Artist", "Unknown"}}},
        {"right in the music folder", "music/Song.mp3", QByteArray(), {{"Title", "Song"}, {"Artist", "Unknown"}}},
        {"outside the music folder", "other/Artist/Song.mp3", QByteArray(),
         {{"Title", "Song.mp3"}, {"Artist", "Unknown"}}},
        {"the folder compares without letter case", "MUSIC/Artist/Song.wav", QByteArray(),
         {{"Title", "Song"}, {"Artist", "Artist"}}},
        {"any file is an entry", "notes.txt", "just text", {{"Title", "notes.txt"}, {"Artist", "Unknown"}}},
        {"only an ID3v2 tag", "music/Folder/v2.mp3", v2,
         {{"Title", u"夜明けの歌"_qs}, {"Artist", u"山田花子"_qs}, {"Genre", "Pop"}}},
        {"ID3v1 before ID3v2", "music/v1v2.mp3", v2 + id3v1Tag("One", "Uno", 0),
         {{"Title", "One"}, {"Artist", "Uno"}, {"Genre", "Blues"}}},
        {"an ID3v2 tag without title or artist counts as none", "music/Folder/empty.mp3",
         id3v2Tag({{"TCON", QByteArray("\0(13)", 5)}}) + mpegAudio(), {{"Title", "empty"}, {"Artist", "Folder"}}},
    };
    for (const Case &c : cases) {
        const QString path = c.bytes.isNull() ? tmp.path(c.file) : write(c.file, c.bytes);
        const MediaEntry entry = mediaEntryFor(path, music);
        EntryValues expected = c.values;
        expected.append({"MP3", path});
        EXPECT_EQ(entry.key, path) << c.what;
        EXPECT_EQ(entry.values, expected) << c.what;
    }
}

TEST_F(IntakeTest, PathsBecomeFullAndTheMusicFolderNeedsNoTrailingSlash)
{
    const QString saved = QDir::currentPath();
    QDir::setCurrent(music);
    const MediaEntry entry = mediaEntryFor("Band/../Band/Song.mp3", music.chopped(1));
    QDir::setCurrent(saved);
    EXPECT_EQ(entry.key, music + "Band/Song.mp3");
    EXPECT_EQ(entry.values.at(1), (std::pair<QString, QString>("Artist", "Band")));
}

TEST_F(IntakeTest, AFolderWithBracketsInItsNameStaysOneKey)
{
    const QString folder = tmp.path("[2001] Best/");
    const MediaEntry entry = mediaEntryFor(folder + "Band/01 [live].mp3", folder);
    EXPECT_EQ(entry.values.first().second, "01 [live]");
    CurrentPlaylist list(tmp.path("Current.ini"));
    list.load(-1, true);
    ASSERT_TRUE(list.insertEntry(entry.key, entry.values));
    list.load(0, true);
    EXPECT_EQ(list.keys(), QStringList{entry.key});
    EXPECT_EQ(list.value(0, u"MP3"), entry.key);
    EXPECT_EQ(list.value(0, u"Artist"), "Band");
}

// A FIFO (or a device) is named like a media file but never read: reading
// would wait for a writer that never comes.
TEST_F(IntakeTest, AFifoBecomesAnEntryWithoutBeingRead)
{
    QDir().mkpath(music + "Band");
    const QString fifo = music + "Band/pipe.mp3";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // On a thread of its own that may be left behind: a reader blocked on a
    // FIFO it opened for reading and writing never wakes up.
    auto made = std::make_shared<std::promise<MediaEntry>>();
    auto future = made->get_future();
    std::thread([made, fifo, folder = music] { made->set_value(mediaEntryFor(fifo, folder)); }).detach();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "reading the FIFO blocked";
    const MediaEntry entry = future.get();
    EXPECT_EQ(entry.values, (EntryValues{{"Title", "pipe"}, {"Artist", "Band"}, {"MP3", fifo}}));
    EXPECT_FALSE(ReadID3v1(fifo).has_value());
}

} // namespace
