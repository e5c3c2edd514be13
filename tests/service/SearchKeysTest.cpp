#include "CurrentPlaylist.h"
#include "HttpTransport.h"
#include "IniFile.h"
#include "RawHttpServer.h"
#include "SearchSongs.h"
#include "TempDir.h"

#include <QSet>
#include <gtest/gtest.h>
#include <optional>

using namespace kalvuno;

namespace {

struct SearchKeysTest : ::testing::Test
{
    // Runs one search whose answer is `answer`, into a file that holds
    // `existing` beforehand (none when nullopt).
    SearchOutcome search(const std::optional<std::string> &existing, const std::string &answer, bool append)
    {
        QFile::remove(file);
        if (existing && !writeBytes(file, QByteArray::fromStdString(*existing)))
            ADD_FAILURE() << "cannot write " << file.toStdString();
        RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, answer)); });
        http.setAddressing(
            ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
        return SearchSongs(http, "Max=10&Sort=New&Open=1", file, append);
    }
    QStringList loadedKeys() const
    {
        CurrentPlaylist list(file);
        list.load(0, true);
        return list.keys();
    }
    SystemClock clock;
    HttpTransport http{clock};
    TempDir tmp;
    QString file = tmp.path("Current.ini");
};

TEST_F(SearchKeysTest, TheFileNeverHoldsAKeyTwice)
{
    const struct
    {
        const char *what;
        std::optional<std::string> existing;
        std::string answer;
        bool append;
        std::string stored;
    } cases[] = {
        {"an added answer brings only keys the file lacks", "[/m/a.mp3]\r\nTitle=old\r\n",
         "[/m/b.mp3]\r\nTitle=b\r\n[/m/a.mp3]\r\nTitle=new\r\n", true,
         "[/m/a.mp3]\r\nTitle=old\r\n[/m/b.mp3]\r\nTitle=b\r\n"},
        {"ASCII letters compare without case", "[/M/A.mp3]\r\nTitle=old\r\n",
         "[/m/a.MP3]\r\nTitle=new\r\n[/m/c.mp3]\r\nTitle=c\r\n", true,
         "[/M/A.mp3]\r\nTitle=old\r\n[/m/c.mp3]\r\nTitle=c\r\n"},
        {"other letters keep their case (full-width A and a)", "[/m/\x82\x60.mp3]\r\nTitle=A\r\n",
         "[/m/\x82\x81.mp3]\r\nTitle=a\r\n", true,
         "[/m/\x82\x60.mp3]\r\nTitle=A\r\n[/m/\x82\x81.mp3]\r\nTitle=a\r\n"},
        {"a key repeated within a replacing answer is kept at its first place", "[old]\r\nTitle=o\r\n",
         "[k]\r\nTitle=1\r\n[j]\r\nTitle=j\r\n[K]\r\nTitle=2\r\n", false, "[k]\r\nTitle=1\r\n[j]\r\nTitle=j\r\n"},
        {"a key repeated within an added answer is kept at its first place", "[old]\r\nTitle=o\r\n",
         "[k]\r\nTitle=1\r\n[k]\r\nTitle=2\r\n[j]\r\nTitle=j\r\n", true,
         "[old]\r\nTitle=o\r\n[k]\r\nTitle=1\r\n[j]\r\nTitle=j\r\n"},
        {"a replacing answer does not look at the old file", "[a]\r\nTitle=old\r\n", "[a]\r\nTitle=new\r\n", false,
         "[a]\r\nTitle=new\r\n"},
        {"adding to no file yet", std::nullopt, "[a]\r\nTitle=1\r\n[A]\r\nTitle=2\r\n", true, "[a]\r\nTitle=1\r\n"},
        {"a key runs to the last bracket", "[/m/[2001] Best/01.mp3]\r\nTitle=1\r\n",
         "[/m/[2001] Best/01.mp3]\r\nTitle=dup\r\n[/m/[2001] Best/02.mp3]\r\nTitle=2\r\n", true,
         "[/m/[2001] Best/01.mp3]\r\nTitle=1\r\n[/m/[2001] Best/02.mp3]\r\nTitle=2\r\n"},
        {"blanks around a header do not make another key", "[ a ]\r\nTitle=old\r\n", "  [A]\t\r\nTitle=new\r\n", true,
         "[ a ]\r\nTitle=old\r\n"},
        {"leading lines and unknown lines of kept sections stay, dropped sections go whole",
         "[old]\r\nTitle=o\r\n",
         "; list\r\n\r\n[x]\r\nTitle=x\r\nodd line\r\n[old]\r\nTitle=dup\r\nalso dropped\r\n[y]\r\nTitle=y\r\n", true,
         "[old]\r\nTitle=o\r\n; list\r\n\r\n[x]\r\nTitle=x\r\nodd line\r\n[y]\r\nTitle=y\r\n"},
        {"an added answer starts on a line of its own", "[old]\r\nTitle=o", "[old]\r\nTitle=dup\r\n[x]\r\nTitle=x\r\n",
         true, "[old]\r\nTitle=o\r\n[x]\r\nTitle=x\r\n"},
        {"a UTF-8 file stays UTF-8", "\xEF\xBB\xBF[/m/\xC3\xA9.mp3]\r\nTitle=\xC3\xA9\r\n",
         "[/m/\x8b\xc8.mp3]\r\nTitle=\x8b\xc8\r\n", true,
         "\xEF\xBB\xBF[/m/\xC3\xA9.mp3]\r\nTitle=\xC3\xA9\r\n[/m/\xE6\x9B\xB2.mp3]\r\nTitle=\xE6\x9B\xB2\r\n"},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(search(c.existing, c.answer, c.append), SearchOutcome::Done) << c.what;
        EXPECT_EQ(readBytes(file).toStdString(), c.stored) << c.what;
        const QStringList keys = loadedKeys();
        QSet<QString> distinct;
        for (const QString &key : keys)
            distinct.insert(foldIniName(key));
        EXPECT_EQ(distinct.size(), keys.size()) << c.what;
    }
}

TEST_F(SearchKeysTest, TheListShowsEveryKeyOnceInOrderAfterSearchesThatRepeatThem)
{
    ASSERT_EQ(search(std::nullopt,
                     "[/m/[2001] Best/01.mp3]\r\nTitle=one\r\n[/m/b.mp3]\r\nTitle=b\r\n[/M/B.MP3]\r\nTitle=again\r\n",
                     false),
              SearchOutcome::Done);
    const std::string added = "[/m/B.mp3]\r\nTitle=b again\r\n[/m/[2001] Best/02.mp3]\r\nTitle=two\r\n"
                              "[/m/[2001] best/01.mp3]\r\nTitle=one again\r\n[/m/c.mp3]\r\nTitle=c\r\n";
    RawHttpServer server([&](int fd, const std::string &) { RawHttpServer::send(fd, httpAnswer(200, added)); });
    http.setAddressing(
        ServiceAddressing::forHost(QStringLiteral("127.0.0.1:%1").arg(server.port()), "/kalvuno/center2.fws"));
    ASSERT_EQ(SearchSongs(http, "Max=10", file, true), SearchOutcome::Done);

    CurrentPlaylist list(file);
    list.load(0, true);
    EXPECT_EQ(list.keys(),
              (QStringList{"/m/[2001] Best/01.mp3", "/m/b.mp3", "/m/[2001] Best/02.mp3", "/m/c.mp3"}));
    EXPECT_EQ(list.titles(), (QStringList{"one", "b", "two", "c"}));
}

} // namespace
