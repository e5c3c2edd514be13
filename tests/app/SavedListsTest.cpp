#include "IniFile.h"
#include "ListName.h"
#include "SavedLists.h"
#include "TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(SavedLists, ListsExactSuffixesInCollationOrder)
{
    TempDir tmp;
    const QString folder = tmp.path("favorites/");
    QDir().mkpath(folder);
    for (const char *name : {"b.fvr", "ABC.FVR", "a.fvr", "x.fvr~", "い.fvr", "あ.fvr", "c.pl", ".fvr"})
        writeBytes(folder + QString::fromUtf8(name), "[Favorite]\r\n");
    QDir().mkpath(folder + "folder.fvr");
    EXPECT_EQ(listSavedNames(folder, ".fvr"), (QStringList{"", "a", "b", "folder", "あ", "い"}));
    EXPECT_EQ(listSavedNames(folder, ".pl"), QStringList{"c"});
    EXPECT_EQ(listSavedNames(tmp.path("missing/"), ".pl"), QStringList());
}

TEST(SavedLists, NamesOfListFiles)
{
    const struct
    {
        QString name;
        bool usable;
    } rows[] = {{"朝の音楽", true}, {"a/b", false}, {"a\\b", false}, {"tab\there", false}, {"x\x7f", false},
                {"..", true}, {"", true}};
    for (const auto &r : rows)
        EXPECT_EQ(isUsableListName(r.name), r.usable) << r.name.toStdString();

    const struct
    {
        QString in, out;
    } fits[] = {{"abc", "abc"},
                {QString(40, u'a'), QString(32, u'a')},
                {QString(17, u'あ'), QString(16, u'あ')},
                {"a" + QString(16, u'あ'), "a" + QString(15, u'あ')},
                {QString(20, u'ｱ'), QString(20, u'ｱ')}}; // half-width kana take one byte
    for (const auto &f : fits)
        EXPECT_EQ(fitToCp932Bytes(f.in, kPlaylistNameBytes), f.out) << f.in.toStdString();
}

TEST(SavedLists, SavedCopyHasNoPlayCountsAndReplacesAtOnce)
{
    TempDir tmp;
    const QString current = tmp.path("Current.ini");
    writeBytes(current, "[aaaaaaaaaaaaaaaa]\r\nTitle=A\r\nMP3Count=12\r\n[http://h/b.mp3]\r\nTitle=B\r\n");
    const QString target = tmp.path("playlists/朝.pl");
    ASSERT_EQ(saveListCopy(current, target), SaveListResult::Saved);
    EXPECT_EQ(readBytes(target),
              QByteArray("[aaaaaaaaaaaaaaaa]\r\nTitle=A\r\nMP3Count=--\r\n[http://h/b.mp3]\r\nTitle=B\r\nMP3Count=--\r\n"));
    EXPECT_EQ(QDir(tmp.path("playlists")).entryList(QDir::Files | QDir::Hidden), QStringList{"朝.pl"})
        << "no temporary file is left";
    EXPECT_EQ(readBytes(current).count("MP3Count=12"), 1) << "the current list keeps its counts";

    // A failed save keeps the saved playlist as it was.
    QFile::remove(current);
    EXPECT_EQ(saveListCopy(current, target), SaveListResult::WriteFailed);
    EXPECT_TRUE(readBytes(target).contains("MP3Count=--"));
    EXPECT_EQ(QDir(tmp.path("playlists")).entryList(QDir::Files | QDir::Hidden), QStringList{"朝.pl"});

    // Only one level of folder is made.
    writeBytes(current, "[k]\r\n");
    EXPECT_EQ(saveListCopy(current, tmp.path("a/b/c.pl")), SaveListResult::FolderFailed);

    // Opening copies the file back byte for byte; a missing one changes nothing.
    ASSERT_TRUE(copyFileOver(target, current));
    EXPECT_EQ(readBytes(current), readBytes(target));
    EXPECT_FALSE(copyFileOver(tmp.path("playlists/none.pl"), current));
    EXPECT_EQ(readBytes(current), readBytes(target));
}

} // namespace
