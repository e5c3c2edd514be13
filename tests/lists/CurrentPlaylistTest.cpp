#include "CurrentPlaylist.h"
#include "TempDir.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

const QByteArray kThree = "[a]\r\nTitle=A\r\nArtist=x\r\nOdd=kept\r\n"
                          "[b]\r\nTitle=B\r\nMP3Count=0\r\n"
                          "[c]\r\nTitle=C\r\nMP3Count=12\r\nRank=01FF\r\n";

EntryValues song(const QString &title) { return {{"Title", title}, {"Artist", "Unknown"}, {"MP3", "/m/" + title}}; }

struct Case
{
    const char *name;
    QByteArray file;
    int select;
    std::function<bool(CurrentPlaylist &)> step;
    QStringList titles; // LB_Play afterwards
    int selected;
    QStringList fileOrder; // sections of the file afterwards
};

class PlaylistCase : public ::testing::TestWithParam<Case>
{
};

TEST_P(PlaylistCase, ListAndFileStayInStep)
{
    const Case &c = GetParam();
    TempDir tmp;
    const QString path = tmp.path("Current.ini");
    if (!c.file.isNull())
        writeBytes(path, c.file);
    CurrentPlaylist list(path);
    list.load(-1, true);
    list.select(c.select);
    ASSERT_TRUE(c.step(list));
    EXPECT_EQ(list.titles(), c.titles);
    EXPECT_EQ(list.selected(), c.selected);
    EXPECT_EQ(IniFile(path).sectionNames(), c.fileOrder);
    EXPECT_EQ(list.keys().size(), list.titles().size());
}

const auto reload = [](CurrentPlaylist &l) {
    l.load(l.selected(), false);
    return true;
};

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaylistCase,
    ::testing::Values(
        Case{"LoadSelectsTheFirstLine", kThree, 2, reload, {"A", "B", "C"}, 2, {"a", "b", "c"}},
        Case{"RemoveMiddleSelectsTheNext", kThree, 1, [](CurrentPlaylist &l) { return l.removeSelected(); },
             {"A", "C"}, 1, {"a", "c"}},
        Case{"RemoveLastSelectsTheFirst", kThree, 2, [](CurrentPlaylist &l) { return l.removeSelected(); },
             {"A", "B"}, 0, {"a", "b"}},
        Case{"RemoveTheOnlyEntry", "[a]\r\nTitle=A\r\n", 0, [](CurrentPlaylist &l) { return l.removeSelected(); },
             {}, -1, {}},
        Case{"RemoveWithNothingSelected", kThree, -1, [](CurrentPlaylist &l) { return l.removeSelected(); },
             {"A", "B", "C"}, -1, {"a", "b", "c"}},
        Case{"MoveDownKeepsTheSelection", kThree, 0, [](CurrentPlaylist &l) { return l.moveSelectedDown(); },
             {"B", "A", "C"}, 1, {"b", "a", "c"}},
        Case{"MoveUpFromTheLastLine", kThree, 2, [](CurrentPlaylist &l) { return l.moveSelectedUp(); },
             {"A", "C", "B"}, 1, {"a", "c", "b"}},
        Case{"MoveUpOnTheFirstLineDoesNothing", kThree, 0, [](CurrentPlaylist &l) { return l.moveSelectedUp(); },
             {"A", "B", "C"}, 0, {"a", "b", "c"}},
        Case{"InsertWithNothingSelectedGoesOnTop", kThree, -1,
             [](CurrentPlaylist &l) { return l.insertEntry("/m/N", song("N")); }, {"N", "A", "B", "C"}, 0,
             {"a", "b", "c", "/m/N"}},
        Case{"InsertsLandInOrderAfterTheSelection", kThree, 0,
             [](CurrentPlaylist &l) { return l.insertEntry("/m/N", song("N")) && l.insertEntry("/m/O", song("O")); },
             {"A", "N", "O", "B", "C"}, 2, {"a", "b", "c", "/m/N", "/m/O"}},
        Case{"ReloadShowsTheFileOrder", kThree, 0,
             [](CurrentPlaylist &l) { return l.insertEntry("/m/N", song("N")) && reload(l); }, {"A", "B", "C", "N"},
             1, {"a", "b", "c", "/m/N"}},
        // Both lines are the one entry, and show its title as the file now has it.
        Case{"KnownKeyShowsTwiceUntilReload", kThree, 2,
             [](CurrentPlaylist &l) { return l.insertEntry("a", song("A2")); }, {"A2", "B", "C", "A2"}, 3,
             {"a", "b", "c"}},
        Case{"KnownKeyShowsOnceAfterReload", kThree, 2,
             [](CurrentPlaylist &l) { return l.insertEntry("A", song("A2")) && reload(l); }, {"A2", "B", "C"}, 0,
             {"a", "b", "c"}},
        Case{"RemoveAfterUnsavedInsertsShowsThemAtTheEnd", kThree, 0,
             [](CurrentPlaylist &l) {
                 return l.insertEntry("/m/N", song("N")) && (l.select(2), l.removeSelected());
             },
             {"A", "C", "N"}, 2, {"a", "c", "/m/N"}},
        // An entry's key may be empty; a selected line still has a key, if an empty one.
        Case{"EntryWithAnEmptyKeyIsSelectedAndRemoved", "[]\r\nTitle=E\r\n[b]\r\nTitle=B\r\n", 0,
             [](CurrentPlaylist &l) { return !l.selectedKey().isNull() && l.removeSelected(); }, {"B"}, 0, {"b"}},
        Case{"MissingFileIsAnEmptyList", QByteArray(), -1,
             [](CurrentPlaylist &l) { return l.insertEntry("/m/N", song("N")); }, {"N"}, 0, {"/m/N"}},
        Case{"AppendGoesToTheEndAndLeavesTheSelectionOnTheLastBefore", kThree, 0,
             [](CurrentPlaylist &l) { return l.appendEntry("http://h/n.mp3", song("N")); }, {"A", "B", "C", "N"}, 2,
             {"a", "b", "c", "http://h/n.mp3"}},
        Case{"AppendToAnEmptyList", QByteArray(), -1,
             [](CurrentPlaylist &l) { return l.appendEntry("http://h/n.mp3", song("N")); }, {"N"}, -1,
             {"http://h/n.mp3"}},
        Case{"ClearThenAdd", kThree, 1,
             [](CurrentPlaylist &l) { return (l.clear(), l.insertEntry("/m/N", song("N"))); }, {"N"}, 0, {"/m/N"}},
        Case{"ClearDeletesTheFile", kThree, 1, [](CurrentPlaylist &l) { return (l.clear(), true); }, {}, -1, {}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(CurrentPlaylist, MovingKeepsEveryKeyOfEverySection)
{
    TempDir tmp;
    const QString path = tmp.path("Current.ini");
    writeBytes(path, kThree);
    CurrentPlaylist list(path);
    list.load(0, true);
    ASSERT_TRUE(list.moveSelectedDown());
    ASSERT_TRUE(list.moveSelectedDown());
    EXPECT_EQ(readBytes(path), "[b]\r\nTitle=B\r\nMP3Count=0\r\n"
                               "[c]\r\nTitle=C\r\nMP3Count=12\r\nRank=01FF\r\n"
                               "[a]\r\nTitle=A\r\nArtist=x\r\nOdd=kept\r\n");
    EXPECT_EQ(list.selected(), 2);
}

TEST(CurrentPlaylist, MoveButtonsFollowTheSelection)
{
    TempDir tmp;
    writeBytes(tmp.path("Current.ini"), kThree);
    CurrentPlaylist list(tmp.path("Current.ini"));
    EXPECT_FALSE(list.canMoveUp());
    EXPECT_FALSE(list.canMoveDown());
    list.load(-1, true);
    const std::pair<int, std::pair<bool, bool>> rows[] = {{-1, {false, false}}, {0, {false, true}},
                                                          {1, {true, true}}, {2, {true, false}}};
    for (const auto &[line, expected] : rows) {
        list.select(line);
        EXPECT_EQ(list.canMoveUp(), expected.first) << line;
        EXPECT_EQ(list.canMoveDown(), expected.second) << line;
    }
}

TEST(CurrentPlaylist, PanelTexts)
{
    TempDir tmp;
    writeBytes(tmp.path("Current.ini"), kThree);
    CurrentPlaylist list(tmp.path("Current.ini"));
    list.load(-1, true);
    list.select(1);
    EXPECT_EQ(list.selectedInfo()->playCount, u"--");
    list.select(2);
    const EntryInfo info = *list.selectedInfo();
    EXPECT_EQ(info.title, u"C");
    EXPECT_EQ(info.playCount, u"12");
    EXPECT_EQ(info.rank, u"01FF");
    list.select(0);
    EXPECT_EQ(list.selectedInfo()->playCount, u"");
    EXPECT_EQ(list.selectedInfo()->artist, u"x");
    list.select(-1);
    EXPECT_FALSE(list.selectedInfo().has_value());
}

TEST(CurrentPlaylist, NothingIsAddedBeforeTheFirstLoad)
{
    TempDir tmp;
    CurrentPlaylist list(tmp.path("Current.ini"));
    EXPECT_TRUE(list.insertEntry("/m/N", song("N")));
    EXPECT_EQ(list.count(), 0);
    EXPECT_FALSE(QFile::exists(tmp.path("Current.ini")));
}

TEST(CurrentPlaylist, ForgetFlagResetsTheSavedPlaylistName)
{
    TempDir tmp;
    CurrentPlaylist list(tmp.path("Current.ini"));
    list.setLoadedPlaylist("/p/夜.pl", "夜");
    list.load(-1, false);
    EXPECT_EQ(list.caption(), u"夜");
    list.load(-1, true);
    EXPECT_EQ(list.caption(), u"現在のプレイリスト");
    EXPECT_TRUE(list.loadedPlaylistPath().isEmpty());
}

TEST(CurrentPlaylist, ClearingForgetsTheSavedPlaylist)
{
    // Otherwise a later save would overwrite that playlist with other songs.
    TempDir tmp;
    writeBytes(tmp.path("Current.ini"), kThree);
    CurrentPlaylist list(tmp.path("Current.ini"));
    list.load(-1, true);
    list.setLoadedPlaylist(tmp.path("夜.pl"), "夜");
    list.clear();
    EXPECT_FALSE(QFile::exists(tmp.path("Current.ini")));
    EXPECT_TRUE(list.loadedPlaylistPath().isEmpty());
    EXPECT_EQ(list.caption(), u"現在のプレイリスト");
    EXPECT_TRUE(list.isOpen());
}

TEST(CurrentPlaylist, RewriteReplacesALeftoverTemporaryAndFailsSafely)
{
    TempDir tmp;
    const QString path = tmp.path("Current.ini");
    writeBytes(path, kThree);
    writeBytes(tmp.path("Current.in~"), "[stale]\r\n");
    CurrentPlaylist list(path);
    list.load(0, true);
    ASSERT_TRUE(list.moveSelectedDown());
    EXPECT_FALSE(QFile::exists(tmp.path("Current.in~")));

    // A file that cannot be replaced: the move fails and the playlist is intact.
    const QByteArray before = readBytes(path);
    QFile::remove(path);
    QDir().mkpath(path); // a folder where the file was
    EXPECT_FALSE(list.moveSelectedDown());
    QDir(path).removeRecursively();
    writeBytes(path, before);
    list.load(1, false);
    EXPECT_EQ(list.titles(), (QStringList{"B", "A", "C"}));
}

TEST(CurrentPlaylist, FilesHandedToTheProgram)
{
    const std::pair<const char *, int> rows[] = {{"/f/a.fvr", PendingListAction::OpenFavorite},
                                                 {"/f/A.FVR", PendingListAction::OpenFavorite},
                                                 {"/p/list.pl", PendingListAction::OpenPlaylist},
                                                 {"/p/old.PLF", PendingListAction::OpenPlaylist},
                                                 {"/m/song.mp3", PendingListAction::None},
                                                 {"/m/fvr", PendingListAction::None},
                                                 {"/m/x.pls", PendingListAction::None}};
    for (const auto &[path, code] : rows) {
        const PendingListAction action = pendingActionForFile(QString::fromLatin1(path));
        EXPECT_EQ(action.code, code) << path;
        EXPECT_EQ(action.path, code == PendingListAction::None ? QString() : QString::fromLatin1(path)) << path;
    }
}

} // namespace
