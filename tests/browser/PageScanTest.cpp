#include "PageScan.h"

#include "TextCodec.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

QStringList scan(
    std::initializer_list<const char *> lines, const char *page = "http://h/dir/page.html", int cap = kPageScanCap)
{
    QStringList list;
    for (const char *l : lines)
        list.append(QString::fromUtf8(l));
    return scanMediaLinks(list, QString::fromLatin1(page), cap);
}

} // namespace

TEST(PageScan, EachLineGivesAtMostItsFirstQualifyingLink)
{
    const struct
    {
        const char *line;
        const char *link; // empty: the line gives nothing
    } cases[] = {
        { "<a href=\"song.mp3\">Song</a>", "http://h/dir/song.mp3" },
        { "<a href=\"./song.mp3\">Song</a>", "http://h/dir/song.mp3" },
        { "<a href=song.mp3>Song</a>", "http://h/dir/song.mp3" },
        { "<A HREF=\"Song.MP3\">Song</A>", "http://h/dir/Song.MP3" },
        { "<a href=\"sub/song.mp3\">Song</a>", "http://h/dir/sub/song.mp3" },
        // Resolved as a browser would: from the root, and https stays https.
        { "<a href=\"/song.mp3\">Song</a>", "http://h/song.mp3" },
        { "<a href=\"https://other/x/song.mp3\">S</a>", "https://other/x/song.mp3" },
        { "<a href=\"http://other/song.mp3\">S</a>", "http://other/song.mp3" },
        { "<a href=\"//other/song.mp3\">S</a>", "http://other/song.mp3" },
        // The last href= before the .mp3 counts.
        { "<a href=\"a.html\">x</a> <a href=\"b.mp3\">y</a>", "http://h/dir/b.mp3" },
        // Closed other than by > or ">: skipped, also when a later link would do.
        { "<a href='song.mp3'>Song</a>", "" },
        { "<a href=\"song.mp3\" title=\"x\">Song</a>", "" },
        { "<a href=\"song.mp3?x\">S</a> <a href=\"b.mp3\">B</a>", "" },
        { "<a href=\"a.mp3\">A</a> <a href=\"b.mp3\">B</a>", "http://h/dir/a.mp3" },
        // Scripts and queries are no songs.
        { "<a href=\"play.cgi/a.mp3\">S</a>", "" },
        { "<a href=\"play?f=a.mp3\">S</a>", "" },
        { "<a href=\"x＊.mp3\">S</a>", "" },
        { "<a href=\"javascript:play('a.mp3\">S</a>", "" },
        { "<a href=\"mailto:a.mp3\">S</a>", "" },
        { "no links here", "" },
        { "a.mp3>", "http://h/dir/a.mp3" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        const QStringList links = scan({ c.line });
        if (*c.link)
            EXPECT_EQ(links, QStringList { QString::fromUtf8(c.link) });
        else
            EXPECT_TRUE(links.isEmpty()) << links.value(0).toStdString();
    }
}

TEST(PageScan, ResolvesAgainstThePageAndKeepsLineOrder)
{
    EXPECT_EQ(scan({ "<a href=\"b.mp3\">", "text", "<a href=\"a.mp3\">" }, "http://h"),
        (QStringList { QStringLiteral("http://h/b.mp3"), QStringLiteral("http://h/a.mp3") }));
    EXPECT_EQ(
        scan({ "<a href=\"../a.mp3\">" }, "http://h/dir/sub/"), QStringList { QStringLiteral("http://h/dir/a.mp3") });
}

TEST(PageScan, StopsAtTheCap)
{
    QStringList lines;
    for (int i = 0; i < 1500; ++i)
        lines.append(QStringLiteral("<a href=\"s%1.mp3\">").arg(i));
    const QStringList links = scanMediaLinks(lines, QStringLiteral("http://h/"));
    ASSERT_EQ(links.size(), kPageScanCap);
    EXPECT_EQ(links.last(), QStringLiteral("http://h/s999.mp3"));
    EXPECT_EQ(scanMediaLinks(lines, QStringLiteral("http://h/"), 3).size(), 3);
}

TEST(PageScan, DecodesByHeaderThenMetaThenUtf8ThenCp932)
{
    const QString text = QStringLiteral("<a href=\"曲.mp3\">山田花子</a>");
    const QByteArray cp932 = *encodeCp932(text);
    const QByteArray utf8 = text.toUtf8();
    const QByteArray metaSjis = QByteArray("<meta charset=\"Shift_JIS\">\n") + cp932;
    const QByteArray metaOld
        = QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=shift_jis\">\n") + cp932;
    const QByteArray latin1 = QByteArray("<p>caf\xe9</p>");

    EXPECT_EQ(decodePageText(cp932, "text/html; charset=Shift_JIS"), text);
    EXPECT_EQ(decodePageText(utf8, "text/html; charset=utf-8"), text);
    EXPECT_TRUE(decodePageText(metaSjis, "text/html").endsWith(text));
    EXPECT_TRUE(decodePageText(metaOld, "").endsWith(text));
    EXPECT_EQ(decodePageText(utf8, "text/html"), text);
    EXPECT_EQ(decodePageText(cp932, "text/html"), text);
    // The header outranks a meta tag that says otherwise.
    EXPECT_EQ(decodePageText(latin1, "text/html; charset=iso-8859-1"), QStringLiteral("<p>café</p>"));
}
