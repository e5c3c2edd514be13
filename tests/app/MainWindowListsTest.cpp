#include "ListName.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "PlaylistPanel.h"
#include "PlaylistNameDialog.h"
#include "RawHttpServer.h"
#include "SearchDialog.h"
#include "TempDir.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include "QtTry.h"
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// Entries that point nowhere, so nothing is fetched.
const char *kList = "[/nowhere/a.mp3]\r\nTitle=A\r\nMP3=/nowhere/a.mp3\r\nMP3Count=5\r\n"
                    "[/nowhere/b.mp3]\r\nTitle=B\r\nMP3=/nowhere/b.mp3\r\nMP3Count=7\r\n";

class MainWindowListsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("HOME", m_tmp.dir.path().toUtf8());
        m_profile = m_tmp.path("profile/");
        QDir().mkpath(m_profile + "playlists");
        QDir().mkpath(m_profile + "favorites");
        writeBytes(m_profile + "Kalvuno.ini", "[General]\r\nSetup=1\r\n");
        writeBytes(m_profile + "Current.ini", kList);
        messagebox::clearAnsweredTexts();
    }
    // Answers the next modal dialog of type T: sets its name and presses OK.
    template <class T> static void answerName(const QString &name)
    {
        QTimer::singleShot(0, [name] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->Ed_Name->setText(name);
            dialog->Bu_OK->click();
        });
    }
    static QStringList items(QListWidget *lb)
    {
        QStringList out;
        for (int i = 0; i < lb->count(); ++i)
            out << lb->item(i)->text();
        return out;
    }
    QString playlist(const QString &name) const { return m_profile + "playlists/" + name + ".pl"; }

    TempDir m_tmp;
    QString m_profile;
};

TEST_F(MainWindowListsTest, SavingOpeningRenamingAndDeletingPlaylists)
{
    TFo_Kalvuno w(m_profile, {});
    w.show();
    auto *LB_PlayLists = w.findChild<QListWidget *>("LB_PlayLists");
    auto *save = w.findChild<QAction *>("MF_SavePlaylist");
    auto *saveAs = w.findChild<QAction *>("MF_SaveAsPlayList");
    ASSERT_TRUE(LB_PlayLists && save && saveAs);
    w.Ti_CheckTimer();
    EXPECT_TRUE(saveAs->isEnabled());
    EXPECT_FALSE(save->isEnabled()) << "the list came from no saved playlist";

    answerName<TFo_PLName>("あさ");
    w.MF_SaveAsPlayListClick();
    EXPECT_EQ(readBytes(playlist("あさ")).count("MP3Count=--"), 2);
    EXPECT_EQ(items(LB_PlayLists), QStringList{"あさ"});
    EXPECT_EQ(LB_PlayLists->currentRow(), 0);
    EXPECT_EQ(w.playlist().caption(), "あさ");
    EXPECT_EQ(w.playlistPanel()->La_PlayList->text(), "あさ");
    w.Ti_CheckTimer();
    EXPECT_TRUE(save->isEnabled());

    // A name with a separator is refused and the dialog stays open.
    messagebox::setNextAnswers({QMessageBox::Ok});
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<TFo_PLName *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->Ed_Name->setText("../よる");
        dialog->Bu_OK->click();
        EXPECT_TRUE(dialog->isVisible());
        dialog->Ed_Name->setText("よる");
        dialog->Bu_OK->click();
    });
    w.MF_SaveAsPlayListClick();
    EXPECT_EQ(messagebox::answeredTexts(), QStringList{QString::fromUtf16(kUnusableNameMessage)});
    EXPECT_FALSE(QFile::exists(m_profile + "よる.pl"));
    EXPECT_EQ(items(LB_PlayLists), (QStringList{"あさ", "よる"}));

    // Opening copies the saved playlist over the current one, "--" counts and all.
    LB_PlayLists->setCurrentRow(0);
    QSignalSpy fills(w.playlistPanel()->LB_Play->model(), &QAbstractItemModel::modelReset);
    w.Bu_OpenPlaylistClick();
    EXPECT_EQ(fills.count(), 1) << "the list box is filled once";
    EXPECT_EQ(w.playlistPanel()->La_PlayList->text(), "あさ");
    EXPECT_EQ(readBytes(m_profile + "Current.ini"), readBytes(playlist("あさ")));
    EXPECT_EQ(w.playlist().value(0, u"MP3Count"), "--");
    EXPECT_EQ(w.playlist().caption(), "あさ");
    EXPECT_EQ(w.activeSection(), 2);
    w.Ti_CheckTimer();
    EXPECT_TRUE(save->isEnabled());

    // A same-named list from elsewhere is never saved over the saved one.
    QDir().mkpath(m_tmp.path("elsewhere"));
    writeBytes(m_tmp.path("elsewhere/あさ.pl"), kList);
    w.OpenPlaylistFile(m_tmp.path("elsewhere/あさ.pl"));
    EXPECT_EQ(w.playlist().caption(), "あさ");
    w.Ti_CheckTimer();
    EXPECT_FALSE(save->isEnabled());
    // A file that cannot be copied leaves nothing to save over.
    w.OpenPlaylistFile(playlist("none"));
    EXPECT_TRUE(w.playlist().loadedPlaylistPath().isEmpty());

    // Renaming.
    LB_PlayLists->setCurrentRow(0);
    answerName<TFo_PLName>("ひる");
    w.PP_RenameClick();
    EXPECT_FALSE(QFile::exists(playlist("あさ")));
    EXPECT_TRUE(QFile::exists(playlist("ひる")));
    EXPECT_EQ(items(LB_PlayLists), (QStringList{"ひる", "よる"}));

    // Deleting asks about the name selected when Delete was pressed, even if
    // the selection moves while the box is open.
    LB_PlayLists->setCurrentRow(0);
    LB_PlayLists->setFocus();
    messagebox::clearAnsweredTexts();
    messagebox::setNextAnswers({QMessageBox::Ok});
    messagebox::setWhileOpen([&] { LB_PlayLists->setCurrentRow(1); });
    QTest::keyClick(LB_PlayLists, Qt::Key_Delete);
    messagebox::setWhileOpen({});
    EXPECT_EQ(messagebox::answeredTexts(), QStringList{"プレイリスト\"ひる\"を削除してよろしいですか？"});
    EXPECT_FALSE(QFile::exists(playlist("ひる")));
    EXPECT_TRUE(QFile::exists(playlist("よる")));
    EXPECT_EQ(items(LB_PlayLists), QStringList{"よる"});
    EXPECT_EQ(LB_PlayLists->currentRow() >= 0 && LB_PlayLists->currentItem()->isSelected(), false);
    w.close();
}

TEST_F(MainWindowListsTest, FavouritesListRenameAndDelete)
{
    for (const char *name : {"abc.fvr", "ABC.FVR", "あさ.fvr"})
        writeBytes(m_profile + "favorites/" + QString::fromUtf8(name), "[Favorite]\r\nArtist=x\r\n");
    writeBytes(m_profile + "default.fvr", "[Favorite]\r\n");
    TFo_Kalvuno w(m_profile, {});
    w.show();
    auto *LB_Favorites = w.findChild<QListWidget *>("LB_Favorites");
    auto *edit = w.findChild<QAction *>("PF_Edit");
    ASSERT_TRUE(LB_Favorites && edit);
    EXPECT_EQ(items(LB_Favorites), (QStringList{"abc", "あさ"}));
    EXPECT_FALSE(edit->isEnabled());

    // A rename whose write fails keeps the favourite.
    LB_Favorites->setCurrentRow(0);
    EXPECT_TRUE(edit->isEnabled());
    messagebox::setNextAnswers({QMessageBox::Ok});
    answerName<TFo_Search>(QString(300, u'x'));
    w.PF_EditClick();
    EXPECT_TRUE(QFile::exists(m_profile + "favorites/abc.fvr"));
    EXPECT_EQ(messagebox::answeredTexts().size(), 1);
    EXPECT_EQ(items(LB_Favorites), (QStringList{"abc", "あさ"}));

    // A rename that works moves it.
    LB_Favorites->setCurrentRow(0);
    answerName<TFo_Search>("ゆう");
    w.PF_EditClick();
    EXPECT_FALSE(QFile::exists(m_profile + "favorites/abc.fvr"));
    EXPECT_TRUE(IniFile(m_profile + "favorites/ゆう.fvr").readString(u"Favorite", u"Artist") == "x");
    EXPECT_EQ(items(LB_Favorites), (QStringList{"あさ", "ゆう"}));
    EXPECT_EQ(LB_Favorites->currentRow(), 1);

    // Delete asks first; Cancel keeps it.
    LB_Favorites->setFocus();
    messagebox::clearAnsweredTexts();
    messagebox::setNextAnswers({QMessageBox::Cancel, QMessageBox::Ok});
    QTest::keyClick(LB_Favorites, Qt::Key_Delete);
    EXPECT_TRUE(QFile::exists(m_profile + "favorites/ゆう.fvr"));
    QTest::keyClick(LB_Favorites, Qt::Key_Delete);
    EXPECT_FALSE(QFile::exists(m_profile + "favorites/ゆう.fvr"));
    EXPECT_EQ(messagebox::answeredTexts().value(1), "お気に入り\"ゆう\"を削除してよろしいですか？");
    EXPECT_EQ(items(LB_Favorites), QStringList{"あさ"});
    EXPECT_FALSE(edit->isEnabled());
    w.close();
}

TEST_F(MainWindowListsTest, AnOnTimerSearchFailureShowsOneBox)
{
    const QTime now = QTime::currentTime();
    if (now < QTime(0, 2) || now > QTime(23, 58))
        GTEST_SKIP() << "too close to midnight for a time one minute ago";
    RawHttpServer failing([](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    qputenv("KALVUNO_SERVICE_HOST", QStringLiteral("127.0.0.1:%1").arg(failing.port()).toUtf8());
    writeBytes(m_profile + "favorites/a.fvr", "[Favorite]\r\nArtist=x\r\n");
    QFile::remove(m_profile + "Current.ini"); // nothing plays, so nothing blocks the on-timer
    writeBytes(m_profile + "Kalvuno.ini", ("[General]\r\nSetup=1\r\nBrowse=0\r\nOnTimer_ON=1\r\n[OnTimer0]\r\nTime="
                                           + now.addSecs(-60).toString("H:mm:ss") + "\r\nTarget=2\r\n")
                                              .toUtf8());
    {
        TFo_Kalvuno w(m_profile, {});
        int searchesDuringBox = -1;
        messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
        messagebox::setWhileOpen([&] {
            for (int i = 0; i < 3; ++i)
                w.Ti_CheckTimer();
            searchesDuringBox = int(messagebox::answeredTexts().size());
        });
        w.show();
        QTRY_COMPARE_WITH_TIMEOUT(messagebox::answeredTexts().size(), 1, 10000);
        QTest::qWait(300);
        messagebox::setWhileOpen(nullptr);
        EXPECT_EQ(messagebox::answeredTexts().size(), 1) << "fired once, not again on later ticks";
        EXPECT_TRUE(messagebox::answeredTexts().constFirst().startsWith(u"検索に失敗しました。"));
        EXPECT_EQ(searchesDuringBox, 1) << "no box was stacked on the first";
        EXPECT_EQ(w.activeSection(), 2);
        EXPECT_EQ(w.findChild<QListWidget *>("LB_Favorites")->currentRow(), 0);
        w.close();
    }
    messagebox::setNextAnswers({});
    qunsetenv("KALVUNO_SERVICE_HOST");
}

} // namespace
