#include "PlaylistPanel.h"
#include "TempDir.h"

#include <QDir>
#include <QLabel>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

const QByteArray kThree = "[a]\r\nTitle=A\r\nArtist=x\r\nMP3Count=0\r\n[b]\r\nTitle=B\r\n[c]\r\nTitle=C\r\n";

QStringList shownLines(const QAbstractItemView *list)
{
    QStringList lines;
    for (int i = 0; i < list->model()->rowCount(); ++i)
        lines.append(list->model()->index(i, 0).data().toString());
    return lines;
}

int currentRow(const QAbstractItemView *list) { return list->currentIndex().row(); }

struct PanelFixture : ::testing::Test
{
    TempDir tmp;
    QString path = tmp.path("Current.ini");
    CurrentPlaylist playlist{path};
    PlaylistPanel panel{playlist};
    QSignalSpy shown{&panel, &PlaylistPanel::informationChanged};
    QSignalSpy play{&panel, &PlaylistPanel::playRequested};

    void SetUp() override
    {
        writeBytes(path, kThree);
        panel.show();
        panel.LoadCurrentList(-1, true);
    }
};

TEST_F(PanelFixture, OnlyTheUsersSelectionShowsTheEntry)
{
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(currentRow(panel.LB_Play), 0);
    ASSERT_TRUE(panel.insertEntry("/m/n.mp3", {{"Title", "N"}}));
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"A", "N", "B", "C"}));
    EXPECT_EQ(currentRow(panel.LB_Play), 1);
    EXPECT_EQ(shown.count(), 0) << "code's selections must not refresh the information texts";

    panel.LB_Play->setFocus();
    QTest::keyClick(panel.LB_Play, Qt::Key_Up);
    ASSERT_EQ(shown.count(), 1);
    const auto info = shown.at(0).at(0).value<EntryInfo>();
    EXPECT_EQ(info.title, u"A");
    EXPECT_EQ(info.artist, u"x");
    EXPECT_EQ(info.playCount, u"--");
}

TEST_F(PanelFixture, KeysAndButtons)
{
    panel.UpdateMoveButtons();
    EXPECT_FALSE(panel.Bu_Up->isEnabled());
    EXPECT_TRUE(panel.Bu_Down->isEnabled());

    QTest::mouseClick(panel.Bu_Down, Qt::LeftButton);
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(currentRow(panel.LB_Play), 1);
    EXPECT_EQ(IniFile(path).sectionNames(), (QStringList{"b", "a", "c"}));
    panel.UpdateMoveButtons();
    EXPECT_TRUE(panel.Bu_Up->isEnabled());

    QTest::keyClick(panel.LB_Play, Qt::Key_Delete);
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"B", "C"}));
    EXPECT_EQ(currentRow(panel.LB_Play), 1);
    EXPECT_EQ(IniFile(path).sectionNames(), (QStringList{"b", "c"}));

    QTest::keyClick(panel.LB_Play, Qt::Key_Return);
    EXPECT_EQ(play.count(), 1);
    const QRect line = panel.LB_Play->visualRect(panel.LB_Play->model()->index(0, 0));
    QTest::mouseClick(panel.LB_Play->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(panel.LB_Play->viewport(), Qt::LeftButton, {}, line.center());
    EXPECT_EQ(play.count(), 2);
}

TEST_F(PanelFixture, AClickOnTheSelectedLineShowsItsTextsAgain)
{
    // After a removal the selection moves to the next line without showing
    // it; a click on that line must show it, although the row stays the same.
    panel.LB_Play->setFocus();
    QTest::keyClick(panel.LB_Play, Qt::Key_Delete);
    ASSERT_EQ(currentRow(panel.LB_Play), 0);
    const QRect line = panel.LB_Play->visualRect(panel.LB_Play->model()->index(0, 0));
    QTest::mouseClick(panel.LB_Play->viewport(), Qt::LeftButton, {}, line.center());
    ASSERT_GE(shown.count(), 1);
    EXPECT_EQ(shown.last().at(0).value<EntryInfo>().title, u"B");
}

TEST_F(PanelFixture, AppendAndClear)
{
    ASSERT_TRUE(panel.appendEntry("http://h/n.mp3", {{"Title", "N"}}));
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"A", "B", "C", "N"}));
    EXPECT_EQ(currentRow(panel.LB_Play), 2);
    panel.clear();
    EXPECT_EQ(panel.LB_Play->model()->rowCount(), 0);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PanelFixture, ThePlayingLineIsMarkedWhereverItMoves)
{
    panel.setPlayingKey("b");
    EXPECT_EQ(panel.playingRow(), 1);
    panel.UpdateMoveButtons();
    QTest::mouseClick(panel.Bu_Down, Qt::LeftButton); // the selection (a) moves below b
    EXPECT_EQ(panel.playingRow(), 0);
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"B", "A", "C"})) << "the entry's own text stays";
    QStyleOptionViewItem option;
    option.initFrom(panel.LB_Play);
    const QModelIndex playing = panel.LB_Play->model()->index(0, 0);
    EXPECT_GT(panel.LB_Play->itemDelegate()->sizeHint(option, playing).width(),
              panel.LB_Play->itemDelegate()->sizeHint(option, panel.LB_Play->model()->index(1, 0)).width())
        << "the playing line is drawn with its mark";
    // A line added above the playing one moves it down.
    playlist.select(-1);
    ASSERT_TRUE(panel.insertEntry("/m/n.mp3", {{"Title", "N"}}));
    EXPECT_EQ(shownLines(panel.LB_Play), (QStringList{"N", "B", "A", "C"}));
    EXPECT_EQ(panel.playingRow(), 1);
    panel.setPlayingKey(QString());
    EXPECT_EQ(panel.playingRow(), -1);
}

TEST_F(PanelFixture, HeaderAndHints)
{
    EXPECT_EQ(panel.La_PlayList->text(), u"現在のプレイリスト");
    EXPECT_EQ(panel.LB_Play->toolTip(), u"ダブルクリックもしくはEnterキーで再生します。");
    EXPECT_EQ(panel.Bu_Up->toolTip(), u"選択中の曲を上に移動します");
    EXPECT_EQ(panel.Bu_Down->toolTip(), u"選択中の曲を下に移動します");
    EXPECT_EQ(panel.Bu_Up->parentWidget(), panel.Pa_Playlist);
}

TEST_F(PanelFixture, RefusedWriteIsReported)
{
    QSignalSpy failed(&panel, &PlaylistPanel::writeFailed);
    QFile::remove(path);
    QDir().mkpath(path);
    panel.UpdateMoveButtons();
    QTest::mouseClick(panel.Bu_Down, Qt::LeftButton);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), path);
}

} // namespace
