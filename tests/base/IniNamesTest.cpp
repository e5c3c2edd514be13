// Section names with brackets inside, and keys with "=" and "%" inside.
#include "IniFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(IniNames, SectionNameRunsToTheLastBracketOfItsLine)
{
    struct Case
    {
        const char *line;
        const char *name;
    };
    const Case cases[] = {
        { "[a]b]", "a]b" },
        { "[/music/[2001] Best/01.mp3]", "/music/[2001] Best/01.mp3" },
        { "[[2001]]", "[2001]" },
        { "[x]  ", "x" },
        { "[x]\t", "x" },
        { "  [ y ] ", "y" },
        { "[a]b", "a" },
        { "[open", "open" },
        { "[]", "" },
    };
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    for (const Case &c : cases) {
        writeBytes(path, QByteArray(c.line) + "\r\nk=v\r\n");
        IniFile ini(path);
        EXPECT_EQ(ini.sectionNames(), QStringList { QString::fromLatin1(c.name) }) << c.line;
        EXPECT_EQ(ini.readString(QString::fromLatin1(c.name), u"k"), u"v") << c.line;
    }
}

TEST(IniNames, EntriesWithBracketsInTheirKeyStayApart)
{
    TempDir tmp;
    const QString path = tmp.path("Current.ini");
    writeBytes(path, "[/music/[2001] Best/01.mp3]\r\nTitle=One\r\n[/music/[2001] Best/02.mp3]\r\nTitle=Two\r\n");
    {
        IniFile ini(path);
        EXPECT_EQ(ini.readString(u"/music/[2001] Best/01.mp3", u"Title"), u"One");
        EXPECT_EQ(ini.readString(u"/MUSIC/[2001] best/02.MP3", u"Title"), u"Two");
        ASSERT_TRUE(ini.writeString(u"/music/[2001] Best/02.mp3", u"Title", u"Zwei"));
        ASSERT_TRUE(ini.writeString(u"[a]b]", u"Title", u"Drei"));
    }
    EXPECT_EQ(readBytes(path),
        "[/music/[2001] Best/01.mp3]\r\nTitle=One\r\n[/music/[2001] Best/02.mp3]\r\nTitle=Zwei\r\n"
        "[[a]b]]\r\nTitle=Drei\r\n");
    IniFile again(path);
    EXPECT_EQ(
        again.sectionNames(), (QStringList { "/music/[2001] Best/01.mp3", "/music/[2001] Best/02.mp3", "[a]b]" }));
    EXPECT_EQ(again.readString(u"[a]b]", u"Title"), u"Drei");
}

// Short sections are scanned, long ones looked up through an index: every
// case runs with both.
constexpr int kFillers[] = { 0, 40 };

QByteArray fillerLines(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += "filler" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    return out;
}

TEST(IniNames, KeysWithEqualsAndPercentRoundTrip)
{
    const QString keys[] = { u"http://h/s.mp3?id=1"_qs, u"http://h/s.mp3?id=1&x=2"_qs, u"a=b=c"_qs, u"="_qs, u"50%"_qs,
        u"%"_qs, u"100%=all"_qs, u"曲=歌%"_qs, u"%%=="_qs, u"%2"_qs,
        // A key line that began with "[" would read back as a section of its own.
        u"[2001] Best/01.mp3"_qs, u"[x]=y"_qs, u"%5Bx"_qs };
    for (const int fillers : kFillers) {
        TempDir tmp;
        const QString path = tmp.path("a.ini");
        {
            IniFile ini(path);
            IniBatch batch(ini);
            for (int i = 0; i < fillers; ++i)
                ini.writeInteger(u"DownLoad", QStringLiteral("filler") + QString::number(i), i);
            for (const QString &key : keys)
                ini.writeString(u"DownLoad", key, QStringLiteral("/copies/") + key);
            ASSERT_TRUE(batch.commit());
        }
        const QByteArray bytes = readBytes(path);
        EXPECT_TRUE(bytes.contains("\r\nhttp://h/s.mp3?id%3D1=/copies/http://h/s.mp3?id=1\r\n")) << bytes.constData();
        EXPECT_TRUE(bytes.contains("\r\n50%25=/copies/50%\r\n")) << bytes.constData();

        IniFile ini(path);
        const auto entries = ini.sectionEntries(u"DownLoad");
        ASSERT_EQ(entries.size(), qsizetype(fillers + std::size(keys)));
        for (size_t i = 0; i < std::size(keys); ++i) {
            const QString &key = keys[i];
            EXPECT_EQ(ini.readString(u"DownLoad", key), QStringLiteral("/copies/") + key)
                << key.toStdString() << " " << fillers;
            EXPECT_EQ(ini.readString(u"download", key.toUpper()), QStringLiteral("/copies/") + key)
                << key.toStdString() << " " << fillers;
            EXPECT_EQ(
                entries[fillers + qsizetype(i)], (std::pair<QString, QString>(key, QStringLiteral("/copies/") + key)));
        }
        EXPECT_EQ(ini.readString(u"DownLoad", u"http://h/s.mp3?id", u"none"_qs), u"none");

        // A changed value keeps its place; erasing finds the key too.
        ASSERT_TRUE(ini.writeString(u"DownLoad", u"a=B=c", u"changed"));
        ASSERT_TRUE(ini.eraseKey(u"DownLoad", u"50%"));
        IniFile again(path);
        EXPECT_EQ(again.readString(u"DownLoad", u"a=b=c"), u"changed");
        EXPECT_EQ(again.readString(u"DownLoad", u"50%", u"gone"_qs), u"gone");
        EXPECT_EQ(again.sectionEntries(u"DownLoad").size(), qsizetype(fillers + std::size(keys) - 1));
    }
}

TEST(IniNames, KeysWrittenBeforeEscapingStillReadByTheirName)
{
    // Written by the old rule, every key as it stands; line i holds "v<i>". A
    // "%" other than the two escapes marks a key as such; a key with "%3D" and
    // "%25" alone could be either, and reads by both names.
    struct Stored
    {
        const char *key;
        const char *listed;
    };
    const Stored stored[] = {
        { "50%", "50%" },
        { "%", "%" },
        { "a%2", "a%2" },
        { "b%3dc", "b%3dc" },
        { "http://h/%E6%9B%B2%20a.mp3", "http://h/%E6%9B%B2%20a.mp3" },
        { "x%3Dy%20z", "x%3Dy%20z" },
        { "a%3Db", "a=b" },
        { "100%25", "100%" },
    };
    const std::pair<const char *, int> reads[] = {
        { "50%", 0 },
        { "%", 1 },
        { "a%2", 2 },
        { "B%3DC", 3 },
        { "http://h/%E6%9B%B2%20a.mp3", 4 },
        { "x%3Dy%20z", 5 },
        { "a%3Db", 6 },
        { "a=b", 6 },
        { "100%25", 7 },
        { "100%", 7 },
    };
    for (const int fillers : kFillers) {
        TempDir tmp;
        const QString path = tmp.path("a.ini");
        QByteArray old = "[DownLoad]\r\n" + fillerLines(fillers);
        for (size_t i = 0; i < std::size(stored); ++i)
            old += QByteArray(stored[i].key) + "=v" + QByteArray::number(qulonglong(i)) + "\r\n";
        // A key with "=" split at its first "=": it never read back by its name.
        old += "http://h/s.mp3?id=1=/old/copy.mp3\r\n";
        writeBytes(path, old);

        IniFile ini(path);
        for (const auto &[name, line] : reads)
            EXPECT_EQ(
                ini.readString(u"DownLoad", QString::fromLatin1(name)), QStringLiteral("v") + QString::number(line))
                << name << " " << fillers;
        const auto listed = ini.sectionEntries(u"DownLoad");
        ASSERT_EQ(listed.size(), qsizetype(fillers + std::size(stored) + 1));
        for (size_t i = 0; i < std::size(stored); ++i)
            EXPECT_EQ(listed[fillers + qsizetype(i)].first, QString::fromLatin1(stored[i].listed)) << stored[i].key;
        EXPECT_EQ(ini.readString(u"DownLoad", u"http://h/s.mp3?id"), u"1=/old/copy.mp3");

        // Writing an old key changes its value only; its text stays as stored.
        ASSERT_TRUE(ini.writeString(u"DownLoad", u"50%", u"new"));
        ASSERT_TRUE(ini.writeString(u"DownLoad", u"100%", u"new%"));
        // The key with "=" gets a line of its own that reads back.
        ASSERT_TRUE(ini.writeString(u"DownLoad", u"http://h/s.mp3?id=1", u"/new/copy.mp3"));
        QByteArray expected = old;
        expected.replace("\r\n50%=v0\r\n", "\r\n50%=new\r\n");
        expected.replace("\r\n100%25=v7\r\n", "\r\n100%25=new%\r\n");
        expected += "http://h/s.mp3?id%3D1=/new/copy.mp3\r\n";
        EXPECT_EQ(readBytes(path), expected);
        IniFile again(path);
        EXPECT_EQ(again.readString(u"DownLoad", u"http://h/s.mp3?id=1"), u"/new/copy.mp3");
        EXPECT_EQ(again.readString(u"DownLoad", u"100%25"), u"new%");
        EXPECT_EQ(again.readString(u"DownLoad", u"http://h/s.mp3?id"), u"1=/old/copy.mp3");
    }
}

TEST(IniNames, AnEscapedNameComesBeforeAStoredTextThatLooksTheSame)
{
    // "a%3Db" is stored "a%253Db" and "a=b" is stored "a%3Db": the line that
    // is certainly "a%3Db" answers for it, wherever the other one stands.
    const QByteArray orders[] = { "a%253Db=percent\r\na%3Db=equals\r\n", "a%3Db=equals\r\na%253Db=percent\r\n" };
    for (const int fillers : kFillers) {
        for (const QByteArray &lines : orders) {
            TempDir tmp;
            const QString path = tmp.path("a.ini");
            writeBytes(path, "[S]\r\n" + fillerLines(fillers) + lines);
            IniFile ini(path);
            EXPECT_EQ(ini.readString(u"S", u"a%3Db"), u"percent") << lines.constData() << fillers;
            EXPECT_EQ(ini.readString(u"S", u"A=B"), u"equals") << lines.constData() << fillers;
        }
        // Written in this order, both keys get lines of their own.
        TempDir tmp;
        const QString path = tmp.path("a.ini");
        {
            IniFile ini(path);
            ASSERT_TRUE(ini.writeString(u"S", u"a%3Db", u"percent"));
            ASSERT_TRUE(ini.writeString(u"S", u"a=b", u"equals"));
        }
        EXPECT_EQ(readBytes(path), "[S]\r\na%253Db=percent\r\na%3Db=equals\r\n");
    }
}

} // namespace
