// The registration rules (song list, upload body, service IDs) and the
// maintenance requests, on their own and against the real library service.
#include "Clock.h"
#include "HttpTransport.h"
#include "InProcessService.h"
#include "IniFile.h"
#include "Maintenance.h"
#include "PlayCount.h"
#include "Registration.h"
#include "RequestToken.h"
#include "SongList.h"
#include "SongListFormat.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(ServiceIds, OnlyPrintableAsciiThatCanNameASection)
{
    struct Case
    {
        QString id;
        bool service, access;
    };
    const Case cases[] = {
        {"0123456789abcdef", true, true},
        {"abcdefgh", true, true},
        {"abcdefg", true, false}, // the token needs 8 characters of it
        {"x", true, false},
        {QString(64, u'a'), true, true},
        {QString(65, u'a'), false, false},
        {"", false, false},
        {"abcd efgh", false, false},
        {"abcdefgh\t", false, false},
        {"[abcdefgh]", false, false},
        {"abcd]efgh", false, false},
        {"Title=abc", false, false},
        {"<html><head>", true, true}, // printable; only the status can tell an error page
        {"ｱｲｳｴｵｶｷｸ", false, false},
        {QString("abcdefg") + QChar(0x7F), false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(isServiceId(c.id), c.service) << c.id.toStdString();
        EXPECT_EQ(isAccessId(c.id), c.access) << c.id.toStdString();
    }
    // An answer counts only when the service took the request.
    const QStringList lines{"0123456789abcdef", "more"};
    EXPECT_EQ(idFromAnswer(true, 200, lines), u"0123456789abcdef");
    EXPECT_EQ(idFromAnswer(true, 204, lines), u"0123456789abcdef");
    EXPECT_EQ(idFromAnswer(true, 404, lines), u"");
    EXPECT_EQ(idFromAnswer(true, 500, lines), u"");
    EXPECT_EQ(idFromAnswer(false, 0, lines), u"");
    EXPECT_EQ(idFromAnswer(true, 200, {}), u"");
    EXPECT_EQ(idFromAnswer(true, 200, {"Not Found"}), u"");
}

TEST(SongListBody, HeaderOverTheFileAsStored)
{
    QByteArray file(1000, 'x');
    file.replace(0, 10, "[ab\x82\xa0]\r\nT=");
    const QByteArray body = songListBody("0123456789abcdef", file, 46366);
    ASSERT_EQ(body.size(), 1028);
    EXPECT_EQ(body.mid(16, 12), "\r\n000003E8\r\n");
    EXPECT_EQ(body.mid(28), file);
    EXPECT_EQ(body.left(16).toStdString(), makeRequestToken("0123456789abcdef", file.toStdString(), 46366));
    EXPECT_EQ(songListBody("0123456789abcdef", QByteArray(0x1ABCD, 'y'), 1).mid(18, 8), "0001ABCD");
    EXPECT_EQ(songListBody("0123456789abcdef", QByteArray(), 1).size(), 28);
}

TEST(SongListFile, UnreadableOrOversizeListsAreNotSent)
{
    TempDir tmp;
    const QString path = tmp.path("MySongs.dat");
    EXPECT_FALSE(readSongListFile(path)) << "missing";
    ASSERT_TRUE(writeBytes(path, QByteArray(kMaxSongListBytes + 1, 'x')));
    EXPECT_FALSE(readSongListFile(path)) << "one byte too many";
    ASSERT_TRUE(writeBytes(path, QByteArray(kMaxSongListBytes, 'x')));
    ASSERT_TRUE(readSongListFile(path));
    EXPECT_EQ(readSongListFile(path)->size(), qsizetype(kMaxSongListBytes));
    ASSERT_TRUE(writeBytes(path, QByteArray()));
    EXPECT_EQ(readSongListFile(path), QByteArray()) << "an empty list is a list";
    EXPECT_FALSE(readSongListFile(tmp.dir.path())) << "a folder";
}

TEST(SongList, NewEntriesPublicFlagsAndRemoval)
{
    TempDir tmp;
    const QString path = tmp.path("MySongs.dat");
    SongList list(path);
    ASSERT_TRUE(list.add("id1aaaaa", {"ignored", "", "Jazz", "http://x/", "http://y/"}));
    EXPECT_EQ(readBytes(path),
              "[id1aaaaa]\r\nArtist=Unknown\r\nGenre=\r\nHome=http://\r\nMP3=http://\r\nTitle=No Title\r\n");
    ASSERT_TRUE(list.save("id1aaaaa", {"ミナ", "私の歌", "Pop", "http://m/1.mp3", "http://m/"}));
    ASSERT_TRUE(list.add("id2bbbbb", list.fields("id1aaaaa")));
    const SongFields second = list.fields("id2bbbbb");
    EXPECT_EQ(second.artist, u"ミナ");
    EXPECT_EQ(second.title, u"No Title");
    EXPECT_EQ(second.genre, u"Pop");
    EXPECT_EQ(second.mp3, u"http://m/1.mp3");
    EXPECT_EQ(second.home, u"http://m/");
    EXPECT_EQ(list.ids(), (QStringList{"id1aaaaa", "id2bbbbb"}));

    EXPECT_TRUE(list.isPublic("id2bbbbb")) << "no Open key: public";
    ASSERT_TRUE(list.setPublic("id2bbbbb", false));
    EXPECT_FALSE(list.isPublic("id2bbbbb"));
    EXPECT_TRUE(list.isPublic("id1aaaaa"));
    IniFile onDisk(path);
    onDisk.reload();
    EXPECT_EQ(onDisk.readString(u"id2bbbbb", u"Open"), u"0");
    EXPECT_EQ(onDisk.readString(u"id1aaaaa", u"Open"), u"");
    ASSERT_TRUE(list.setAllPublic(true));
    EXPECT_TRUE(list.isPublic("id2bbbbb"));
    ASSERT_TRUE(list.remove("id1aaaaa"));
    EXPECT_EQ(list.ids(), QStringList{"id2bbbbb"});
}

TEST(MaintenanceUrls, ValuesReachTheServiceUnchanged)
{
    const QString base = "http://127.0.0.1:8563/test/center2.fws";
    EXPECT_EQ(hideRequestUrl(base, "H", "M", true), "http://127.0.0.1:8563/test/center2.fws/hide?H&M&All");
    EXPECT_EQ(hideRequestUrl(base, "", "M", false), "http://127.0.0.1:8563/test/center2.fws/hide?&M");
    EXPECT_EQ(hideRequestUrl(base, "http://h/R&B 100%/#top", "http://h/a.mp3?x=1&y=+", false),
              "http://127.0.0.1:8563/test/center2.fws/hide?http://h/R%26B%20100%25/%23top&"
              "http://h/a.mp3%3Fx=1%26y=%2B");
    EXPECT_EQ(noFileRequestUrl(base, "http://h/曲 1.mp3", false),
              "http://127.0.0.1:8563/test/center2.fws/nofile?http://h/%8B%C8%201.mp3");
    EXPECT_EQ(noFileRequestUrl(base, "0123456789abcdef", true),
              "http://127.0.0.1:8563/test/center2.fws/nofileall?0123456789abcdef");
}

// The bundled service on 127.0.0.1 with one song that has plays, and the
// program's transport pointed at it.
struct LiveService : ::testing::Test
{
    InProcessService library;
    SystemClock clock;
    HttpTransport transport{clock};
    TempDir tmp;
    QString listPath = tmp.path("MySongs.dat");

    void SetUp() override
    {
        kalvuno::server::Song s;
        s.id = "c000000100000000";
        s.title = "Old";
        s.artist = "Owner";
        s.media = "http://old.example.jp/o.mp3";
        s.home = "http://old.example.jp/";
        library.store.insertSongs({s});
        library.start();
        transport.setAddressing(ServiceAddressing::forHost(library.host(), QString::fromUtf16(kServiceScriptPath)));
    }
    // The titles a search for every public song of a kind gets, by key.
    QMap<QString, QString> search(const QString &extra = QString())
    {
        QStringList lines;
        transport.GetLines(lines, transport.addressing().baseUrl + "/search?Max=50&Sort=New&Open=3" + extra);
        IniFile answer{QString()};
        answer.loadBytes("\xEF\xBB\xBF" + lines.join("\r\n").toUtf8());
        QMap<QString, QString> titles;
        for (const QString &key : answer.sectionNames())
            titles[key] = answer.readString(key, u"Title") + "/" + answer.readString(key, u"MP3Count");
        return titles;
    }
};

TEST_F(LiveService, UploadSearchHideAndSendAgain)
{
    const QString access = fetchServiceId(transport, "/aid");
    ASSERT_TRUE(isAccessId(access)) << access.toStdString();
    const QString first = fetchServiceId(transport, "/sid");
    const QString second = fetchServiceId(transport, "/sid");
    ASSERT_TRUE(isServiceId(first) && isServiceId(second) && first != second);
    SongList list(listPath);
    ASSERT_TRUE(list.add(first, {}));
    ASSERT_TRUE(
        list.save(first, {"ミナ", "公開の歌", "Pop", "http://mina.example.jp/a b.mp3", "http://mina.example.jp/R&B/"}));
    ASSERT_TRUE(list.add(second, list.fields(first)));
    ASSERT_TRUE(list.save(second, {"ミナ", "Private", "Pop", "http://mina.example.jp/p.mp3", ""}));
    ASSERT_TRUE(list.setPublic(second, false));

    ASSERT_TRUE(SendSongList(transport, access, listPath));
    QMap<QString, QString> found = search();
    EXPECT_EQ(found.value(first), u"公開の歌/0");
    EXPECT_FALSE(found.contains(second)) << "private";

    // A play, then the list again: the song keeps its plays.
    int status = 0;
    EXPECT_TRUE(
        transport.PostToService(playCountBody(first, "k3J9xQ2mP0aB7cD1", todayDayNumber()), "/mp3count", &status));
    EXPECT_EQ(status, 200);
    ASSERT_TRUE(list.save(first, {"ミナ", "改題", "Pop", "http://mina.example.jp/a b.mp3", "http://mina.example.jp/R&B/"}));
    ASSERT_TRUE(SendSongList(transport, access, listPath));
    EXPECT_EQ(search().value(first), u"改題/1");

    // Hide by the entry's stored Home and MP3, "&" and blank included.
    sendMaintenanceRequest(transport, hideRequestUrl(transport.addressing().baseUrl, "http://mina.example.jp/R&B/",
                                                     "http://mina.example.jp/a b.mp3", false));
    EXPECT_FALSE(search().contains(first));
    sendMaintenanceRequest(transport, noFileRequestUrl(transport.addressing().baseUrl, "c000000100000000", false));
    EXPECT_TRUE(search().isEmpty());
}

TEST_F(LiveService, AThousandByteListGoesInA1028ByteBodyTheServiceTakes)
{
    const QString access = fetchServiceId(transport, "/aid");
    const QByteArray head
        = "[" + fetchServiceId(transport, "/sid").toUtf8() + "]\r\nMP3=http://k.example.jp/k.mp3\r\nTitle=";
    QByteArray file = head + QByteArray(1000 - head.size() - 2, 'K') + "\r\n";
    ASSERT_EQ(file.size(), 1000);
    ASSERT_TRUE(writeBytes(listPath, file));
    const QByteArray body = songListBody(access, file, todayDayNumber());
    EXPECT_EQ(body.size(), 1028);
    EXPECT_EQ(body.mid(18, 8), "000003E8");
    EXPECT_TRUE(SendSongList(transport, access, listPath));
    EXPECT_EQ(search().size(), 2);
}

TEST_F(LiveService, RefusedSendsAreFailures)
{
    const QString access = fetchServiceId(transport, "/aid");
    const QString song = fetchServiceId(transport, "/sid");
    const auto before = search();
    struct Case
    {
        const char *name;
        QString accessId;
        QByteArray file;
    };
    const Case cases[] = {
        {"unknown access ID (404)", "ffffffff00000000", "[" + song.toUtf8() + "]\r\nTitle=A\r\n"},
        {"a NUL in a field (400)", access, "[" + song.toUtf8() + QByteArray("]\r\nTitle=A\0B\r\n", 15)},
        {"a song ID that is not ours (403)", access, "[c000000100000000]\r\nTitle=Mine\r\n"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(writeBytes(listPath, c.file));
        EXPECT_FALSE(SendSongList(transport, c.accessId, listPath)) << c.name;
    }
    ASSERT_TRUE(writeBytes(listPath, QByteArray(kMaxSongListBytes + 1, '\n')));
    EXPECT_FALSE(SendSongList(transport, access, listPath)) << "oversize";
    QFile::remove(listPath);
    EXPECT_FALSE(SendSongList(transport, access, listPath)) << "missing";
    EXPECT_EQ(search(), before);
}

} // namespace
