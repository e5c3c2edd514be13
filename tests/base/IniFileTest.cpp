#include "IniFile.h"
#include "TempDir.h"

#include <QMap>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

struct EditCase
{
    const char *name;
    const char *before;
    std::function<bool(IniFile &)> edit;
    const char *after;
};

class IniEdit : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(IniEdit, ChangesOnlyWhatItShould)
{
    const EditCase &c = GetParam();
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    ASSERT_TRUE(writeBytes(path, c.before));
    IniFile ini(path);
    ASSERT_TRUE(c.edit(ini));
    EXPECT_EQ(readBytes(path).toStdString(), std::string(c.after));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniEdit,
    ::testing::Values(
        EditCase{"UpdateInPlace", "[A]\r\nx=1\r\ny=2\r\n", [](IniFile &f) { return f.writeString(u"A", u"x", u"9"); },
                 "[A]\r\nx=9\r\ny=2\r\n"},
        EditCase{"NamesIgnoreCase", "[General]\r\nDownLoad=a\r\n",
                 [](IniFile &f) { return f.writeString(u"general", u"Download", u"b"); }, "[General]\r\nDownLoad=b\r\n"},
        EditCase{"NewKeyEndsItsSection", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n",
                 [](IniFile &f) { return f.writeString(u"A", u"z", u"3"); }, "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        EditCase{"NewSectionGoesLast", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n",
                 [](IniFile &f) { return f.writeString(u"C", u"k", u"v"); }, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[C]\r\nk=v\r\n"},
        EditCase{"EraseSection", "[A]\r\nx=1\r\n[B]\r\ny=2\r\nw=4\r\n[C]\r\nz=3\r\n",
                 [](IniFile &f) { return f.eraseSection(u"b"); }, "[A]\r\nx=1\r\n[C]\r\nz=3\r\n"},
        EditCase{"EraseKey", "[A]\r\nx=1\r\ny=2\r\n", [](IniFile &f) { return f.eraseKey(u"A", u"X"); },
                 "[A]\r\ny=2\r\n"},
        EditCase{"UnknownLinesKept", "; note\r\ntop=1\r\n[A]\r\nnot a key\r\nx=1\r\n[Other]\r\nq = r \r\n",
                 [](IniFile &f) { return f.writeString(u"A", u"x", u"2"); },
                 "; note\r\ntop=1\r\n[A]\r\nnot a key\r\nx=2\r\n[Other]\r\nq = r \r\n"},
        EditCase{"TwinSectionsWriteTheFirst", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n",
                 [](IniFile &f) { return f.writeString(u"A", u"x", u"3"); }, "[A]\r\nx=3\r\n[a]\r\nx=2\r\n"},
        EditCase{"ErasingTheFirstTwinLeavesTheSecond", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n",
                 [](IniFile &f) { return f.eraseSection(u"A") && f.writeString(u"A", u"y", u"5"); },
                 "[a]\r\nx=2\r\ny=5\r\n"},
        EditCase{"AnyLineEndingReadsCrLfWritten", "[A]\nx=1\ry=2\r\n",
                 [](IniFile &f) { return f.writeString(u"A", u"y", u"3"); }, "[A]\r\nx=1\r\ny=3\r\n"},
        EditCase{"LineBreaksInAValueCannotMakeASection", "",
                 [](IniFile &f) { return f.writeString(u"A", u"x", u"1\r\n[B]\nz=2"); }, "[A]\r\nx=1  [B] z=2\r\n"},
        EditCase{"LineBreaksInASectionNameNameOneSection", "",
                 [](IniFile &f) { return f.writeString(u"A\rB", u"x", u"1") && f.writeString(u"A\rB", u"y", u"2"); },
                 "[A B]\r\nx=1\r\ny=2\r\n"},
        // Three marks: the file's, the one reading skips after it, and the text's own U+FEFF.
        EditCase{"MarkCharacterAtTheStartOfTheTextStays", "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBFtop\r\n[A]\r\nx=1\r\n",
                 [](IniFile &f) { return f.writeString(u"A", u"x", u"2"); },
                 "\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBFtop\r\n[A]\r\nx=2\r\n"},
        EditCase{"EmptyFileGetsItsFirstSection", "", [](IniFile &f) { return f.writeInteger(u"S", u"n", -5); },
                 "[S]\r\nn=-5\r\n"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(IniFile, ReadsValuesExactlyAsWritten)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    writeBytes(path, "[A]\r\nurl=http://h/?a=b&c=d\r\nspaced= a \"q\" \r\n  Key  =v\r\nempty=\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readString(u"A", u"url"), u"http://h/?a=b&c=d");
    EXPECT_EQ(ini.readString(u"A", u"spaced"), u" a \"q\" ");
    EXPECT_EQ(ini.readString(u"a", u"KEY"), u"v");
    EXPECT_EQ(ini.readString(u"A", u"empty", u"default"_qs), u"");
    EXPECT_EQ(ini.readString(u"A", u"missing", u"default"_qs), u"default");
    EXPECT_EQ(ini.readString(u"Nope", u"url", u"d"_qs), u"d");
}

TEST(IniFile, IntegersAndBooleans)
{
    struct Case
    {
        const char *text;
        int expected; // with default 77
    };
    const Case cases[] = {{"42", 42},          {" 42 ", 42},          {"\t5", 5},         {"-7", -7},
                          {"+3", 3},           {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
                          {"2147483648", 77},  {"-2147483649", 77},   {"99999999999999999999", 77},
                          {"4x", 77},          {"0x10", 77},          {"1 2", 77},        {"", 77},
                          {"-", 77},           {"１２", 77}};
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    QByteArray text = "[N]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        text += "k" + QByteArray::number(qulonglong(i)) + "=" + cases[i].text + "\r\n";
    writeBytes(path, *encodeCp932(QString::fromUtf8(text)));
    IniFile ini(path);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(ini.readInteger(u"N", QStringLiteral("k") + QString::number(i), 77), cases[i].expected) << cases[i].text;

    writeBytes(path, "[B]\r\none=1\r\nzero=0\r\ntwo=2\r\nminus=-1\r\nyes=yes\r\nempty=\r\n");
    ini.reload();
    EXPECT_TRUE(ini.readBool(u"B", u"one", false));
    EXPECT_FALSE(ini.readBool(u"B", u"zero", true));
    EXPECT_TRUE(ini.readBool(u"B", u"two", false));
    EXPECT_TRUE(ini.readBool(u"B", u"minus", false));
    EXPECT_TRUE(ini.readBool(u"B", u"yes", true));
    EXPECT_FALSE(ini.readBool(u"B", u"yes", false));
    EXPECT_TRUE(ini.readBool(u"B", u"empty", true));
    ASSERT_TRUE(ini.writeBool(u"B", u"new", true));
    EXPECT_TRUE(readBytes(path).endsWith("new=1\r\n"));
}

TEST(IniFile, SectionsAndKeysInFileOrder)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    writeBytes(path, "[Z]\r\nb=2\r\na=1\r\n[y]\r\n[Z]\r\nc=3\r\n[X]\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.sectionNames(), (QStringList{"Z", "y", "Z", "X"}));
    const auto entries = ini.sectionEntries(u"z");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], (std::pair<QString, QString>("b", "2")));
    EXPECT_EQ(entries[1], (std::pair<QString, QString>("a", "1")));
    EXPECT_TRUE(ini.hasSection(u"x"));
    EXPECT_FALSE(ini.hasSection(u"W"));
}

TEST(IniFile, JapaneseRoundTripsInCp932)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.writeString(u"曲Ａ", u"Title", u"現在のプレイリスト"));
        ASSERT_TRUE(ini.writeString(u"曲ａ", u"Title", u"ｶﾅ①\\~"));
        EXPECT_EQ(ini.encoding(), TextEncoding::Cp932);
    }
    const QByteArray bytes = readBytes(path);
    // 現在 in CP932, and full-width Ａ/ａ are different names (only ASCII letters fold).
    EXPECT_TRUE(bytes.contains("=\x8c\xbb\x8d\xdd")) << bytes.toHex().constData();
    EXPECT_FALSE(bytes.startsWith(kUtf8Bom));
    IniFile again(path);
    EXPECT_EQ(again.sectionNames(), (QStringList{u"曲Ａ"_qs, u"曲ａ"_qs}));
    EXPECT_EQ(again.readString(u"曲Ａ", u"title"), u"現在のプレイリスト");
    EXPECT_EQ(again.readString(u"曲ａ", u"TITLE"), u"ｶﾅ①\\~");
}

TEST(IniFile, TextCp932CannotHoldIsWrittenAsUtf8WithBom)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    const QString wave = u"波〜🎵"_qs; // U+301C only has a look-alike in CP932
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.writeString(u"A", u"Title", u"曲"));
        ASSERT_TRUE(ini.writeString(u"A", u"Artist", wave));
        EXPECT_EQ(ini.encoding(), TextEncoding::Utf8Bom);
    }
    EXPECT_TRUE(readBytes(path).startsWith(kUtf8Bom));
    IniFile again(path);
    EXPECT_EQ(again.readString(u"A", u"Artist"), wave);
    EXPECT_EQ(again.readString(u"A", u"Title"), u"曲");
}

// A U+FEFF that starts a name or a value is a character like any other.
TEST(IniFile, MarkCharacterStartingANameOrValueReadsBack)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    const QString marked = u"\uFEFF曲"_qs;
    {
        IniFile ini(path);
        ASSERT_TRUE(ini.writeString(marked, marked, marked));
        EXPECT_EQ(ini.readString(marked, marked), marked);
    }
    IniFile again(path);
    EXPECT_EQ(again.sectionNames(), QStringList{marked});
    EXPECT_EQ(again.sectionEntries(marked), (QList<std::pair<QString, QString>>{{marked, marked}}));
}

TEST(IniFile, DamagedBytesSurviveAndOtherKeysStillRead)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    const QByteArray bad = "[A]\r\nbad=\x81\r\nx=1\r\n\xff\xfe\x80\r\nhalf=\x82\r\n[B]\r\ny=\x82\xa0\r\n";
    writeBytes(path, bad);
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger(u"A", u"x", 0), 1);
    EXPECT_EQ(ini.readString(u"B", u"y"), u"あ");
    ASSERT_TRUE(ini.writeString(u"B", u"z", u"2"));
    EXPECT_EQ(readBytes(path), bad + "z=2\r\n");
}

TEST(IniFile, BadFilesGiveDefaultsWithoutCrashing)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    QByteArray binary(256 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char &c : binary)
        c = char(rng.bounded(256));
    const QByteArray files[] = {QByteArray(), "[Gen", "[General]\r\nSetup=", "[General]\r\nSetup=1\0\0\0zz",
                                binary, QByteArray(8 * 1024 * 1024, 'x')};
    for (const QByteArray &content : files) {
        writeBytes(path, content);
        IniFile ini(path);
        EXPECT_EQ(ini.readInteger(u"General", u"VideoMode", 1), 1);
        EXPECT_TRUE(ini.writeInteger(u"General", u"RepeatMode", 2));
        IniFile again(path);
        EXPECT_EQ(again.readInteger(u"General", u"RepeatMode", 0), 2);
    }
}

TEST(IniFile, AnotherWritersChangesAreNotUndone)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    IniFile first(path);
    IniFile second(path);
    ASSERT_TRUE(first.writeString(u"A", u"one", u"1"));
    ASSERT_TRUE(second.writeString(u"A", u"two", u"2"));
    ASSERT_TRUE(first.writeString(u"A", u"three", u"3"));
    EXPECT_EQ(readBytes(path), "[A]\r\none=1\r\ntwo=2\r\nthree=3\r\n");
}

TEST(IniFile, BatchWritesTheFileOnce)
{
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    IniFile ini(path);
    {
        IniBatch batch(ini);
        for (int i = 0; i < 10000; ++i)
            ini.writeString(QString::number(i), u"MP3Count", u"--");
        EXPECT_EQ(ini.fileWrites(), 0);
        ASSERT_TRUE(batch.commit());
    }
    EXPECT_EQ(ini.fileWrites(), 1);
    IniFile again(path);
    EXPECT_EQ(again.sectionNames().size(), 10000);
    EXPECT_EQ(again.readString(u"9999", u"mp3count"), u"--");
}

TEST(IniFile, LongSectionsFindEveryKey)
{
    // Long sections are looked up through an index; it must follow inserts and erases.
    TempDir tmp;
    IniFile ini(tmp.path("a.ini"));
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(ini.writeInteger(u"DownLoad", QStringLiteral("Key") + QString::number(i), i));
    ASSERT_TRUE(ini.eraseKey(u"download", u"key50"));
    ASSERT_TRUE(ini.writeInteger(u"DownLoad", u"KEY7", 700));
    ASSERT_TRUE(ini.writeInteger(u"DownLoad", u"Extra", 1));
    EXPECT_EQ(ini.readInteger(u"DownLoad", u"key50", -1), -1);
    EXPECT_EQ(ini.readInteger(u"DownLoad", u"key51", -1), 51);
    EXPECT_EQ(ini.readInteger(u"DownLoad", u"key7", -1), 700);
    EXPECT_EQ(ini.readInteger(u"DownLoad", u"extra", -1), 1);
    EXPECT_EQ(ini.sectionEntries(u"DownLoad").size(), 100);
}

TEST(IniFile, LongSectionsFollowValuesThatChangeLength)
{
    // Values of every length, keys added and erased in a long section, as a
    // settings file sees them over time: every key reads what was last written,
    // in memory and from the file.
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    IniFile ini(path);
    QMap<QString, QString> expected;
    QRandomGenerator random(17);
    for (int step = 0; step < 400; ++step) {
        const QString key = QStringLiteral("Key") + QString::number(random.bounded(40));
        if (random.bounded(8) == 0) {
            ASSERT_TRUE(ini.eraseKey(u"General", key));
            expected.remove(key.toLower());
        } else {
            const QString value = QString(random.bounded(12), QChar(u'a' + step % 26));
            ASSERT_TRUE(ini.writeString(u"General", key, value));
            expected[key.toLower()] = value;
        }
        for (int i = 0; i < 40; ++i) {
            const QString name = QStringLiteral("key") + QString::number(i);
            const QString none = QStringLiteral("-");
            ASSERT_EQ(ini.readString(u"General", name, none), expected.value(name, none)) << step << " " << i;
        }
    }
    IniFile again(path);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        EXPECT_EQ(again.readString(u"general", it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(again.sectionEntries(u"General").size(), expected.size());
}

TEST(IniFile, RewriteInSectionOrder)
{
    // The current playlist is saved in its list order this way: names given
    // twice or in another case, names of no section, and sections not named.
    struct Case
    {
        const char *name;
        QStringList order;
        const char *after;
    };
    const Case cases[] = {
        {"reversed", {"c", "b", "a"}, "; head\r\n[c]\r\nk=3\r\n[b]\r\nk=2\r\n[a]\r\nk=1\r\n"},
        {"a name twice counts once", {"b", "a", "B", "a"}, "; head\r\n[b]\r\nk=2\r\n[a]\r\nk=1\r\n"},
        {"unknown names are skipped", {"x", "c", "y"}, "; head\r\n[c]\r\nk=3\r\n"},
        {"nothing named", {}, "; head\r\n"},
    };
    TempDir tmp;
    const QString path = tmp.path("a.ini");
    for (const Case &c : cases) {
        writeBytes(path, "; head\r\n[a]\r\nk=1\r\n[b]\r\nk=2\r\n[c]\r\nk=3\r\n");
        IniFile ini(path);
        ASSERT_TRUE(ini.rewriteInSectionOrder(c.order)) << c.name;
        EXPECT_EQ(readBytes(path), QByteArray(c.after)) << c.name;
        for (const QString &name : ini.sectionNames())
            EXPECT_EQ(ini.readString(name, u"k"), IniFile(path).readString(name, u"k")) << c.name;
    }
}

TEST(IniFile, RefusedWriteKeepsTheValueInMemory)
{
    TempDir tmp;
    writeBytes(tmp.path("plain"), "a file, not a folder");
    const QString path = tmp.path("plain/a.ini");
    IniFile ini(path);
    EXPECT_FALSE(ini.writeString(u"A", u"x", u"1"));
    EXPECT_EQ(ini.readString(u"A", u"x"), u"1");
    EXPECT_EQ(ini.fileWrites(), 0);
}

} // namespace
