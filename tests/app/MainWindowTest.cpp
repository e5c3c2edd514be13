#include "MessageBox.h"
#include "RawHttpServer.h"
#include "TPlay.h"
#include "TempDir.h"
#include "MainWindow.h"
#include "SettingsDialog.h"

#include <QLineEdit>
#include <QTabWidget>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <QProcess>
#include <QAction>
#include <QStatusBar>
#include <QTimer>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include "QtTry.h"
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// A profile folder and home of its own for every test.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("HOME", m_tmp.dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_tmp.path("config").toUtf8());
        m_profile = m_tmp.path("profile/");
        messagebox::clearAnsweredTexts();
        // A first run opens the settings dialog inside the first show: it is
        // cancelled here, as a user who is not ready to choose would.
        QObject::connect(&m_setupCloser, &QTimer::timeout, [this] {
            if (auto *setup = qobject_cast<TFo_Setup *>(QApplication::activeModalWidget())) {
                m_setupPages.append(setup->PC_Page->currentIndex());
                m_setupDownload.append(setup->Ed_DownloadMP3->text());
                setup->reject();
            }
        });
        m_setupCloser.start(20);
    }
    QString ini() const { return m_profile + QStringLiteral("Kalvuno.ini"); }

    TempDir m_tmp;
    QString m_profile;
    QTimer m_setupCloser;
    QList<int> m_setupPages;
    QStringList m_setupDownload;
};

TEST_F(MainWindowTest, FirstRunWritesTheDownloadFolderAndLaterRunsDoNot)
{
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        EXPECT_FALSE(w.isFirstShow());
        w.close();
    }
    const QString mp3 = m_tmp.path("Documents/mp3/");
    EXPECT_TRUE(QDir(mp3).exists());
    EXPECT_EQ(m_setupPages, QList<int>{0}) << "the settings dialog opens once, on its first page";
    EXPECT_EQ(m_setupDownload, QStringList{mp3}) << "after the folder was written";
    IniFile written(ini());
    EXPECT_EQ(written.readString(u"General", u"Download"), mp3);
    EXPECT_EQ(written.readString(u"General", u"DL"), u"1");

    // Confirmed once (the settings dialog writes Setup=1): the folder is left alone.
    written.writeInteger(u"General", u"Setup", 1);
    written.writeString(u"General", u"Download", u"/elsewhere/");
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.close();
    }
    EXPECT_EQ(IniFile(ini()).readString(u"General", u"Download"), u"/elsewhere/");
    EXPECT_EQ(m_setupPages.size(), 1) << "not once confirmed";
}

TEST_F(MainWindowTest, FirstRunWithoutADocumentsFolderWritesAnEmptyFolder)
{
    writeBytes(m_tmp.path("Documents"), "a file where the folder should be");
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.close();
    }
    IniFile written(ini());
    EXPECT_TRUE(written.readString(u"General", u"Download", u"unset"_qs).isEmpty());
    EXPECT_EQ(written.readString(u"General", u"DL"), u"1");
}

TEST_F(MainWindowTest, PlacementAndStatusBarSurviveARestart)
{
    QDir().mkpath(m_profile);
    writeBytes(ini(), "[General]\r\nSetup=1\r\nVideoMode=2\r\nRepeatMode=3\r\n");
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        EXPECT_EQ(w.videoMode(), 2);
        EXPECT_EQ(w.repeatMode(), 3);
        w.setGeometry(40, 50, 700, 560); // the column's headers and panels need about 510 pixels
        w.statusBar()->hide();
        w.close();
    }
    IniFile saved(ini());
    EXPECT_EQ(saved.readInteger(u"Window", u"Left", -1), 40);
    EXPECT_EQ(saved.readInteger(u"Window", u"Width", -1), 700);
    EXPECT_EQ(saved.readString(u"Window", u"StatusBar"), u"0");
    TFo_Kalvuno again(m_profile, {});
    again.show();
    EXPECT_EQ(again.geometry(), QRect(40, 50, 700, 560));
    EXPECT_FALSE(again.statusBar()->isVisible());
    again.close();
}

TEST_F(MainWindowTest, SwitchesChooseTheServiceAddresses)
{
    struct Case
    {
        QStringList args;
        QString host;
        QString scriptPath;
    };
    qunsetenv("KALVUNO_SERVICE_HOST");
    const Case cases[] = {
        {{}, "localhost:8563", "/kalvuno/center2.fws"},
        {{"/DEVELOP"}, "127.0.0.1:8563", "/test/center2.fws"},
        {{"x.mp3", "--test"}, "192.168.10.20", "/kalvuno/center2.fws"},
    };
    for (const Case &c : cases) {
        TFo_Kalvuno w(m_profile, c.args);
        EXPECT_EQ(w.service().host, c.host);
        EXPECT_EQ(w.service().scriptPath, c.scriptPath);
        EXPECT_EQ(w.service().baseUrl, QStringLiteral("http://") + c.host + QStringLiteral("/kalvuno/center2.fws"));
    }
}

TEST_F(MainWindowTest, DestroyDeletesTheWorkingPlaylist)
{
    QDir().mkpath(m_profile);
    writeBytes(m_profile + QStringLiteral("Current.ini"), "[k]\r\nTitle=t\r\n");
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.close();
        EXPECT_TRUE(QFile::exists(m_profile + QStringLiteral("Current.ini"))) << "only destruction deletes it";
    }
    EXPECT_FALSE(QFile::exists(m_profile + QStringLiteral("Current.ini")));
}

TEST_F(MainWindowTest, UnwritableSettingsShowTheErrorAndTheProgramGoesOn)
{
    // A folder in the place of the file: no process, root included, can replace it.
    QDir().mkpath(ini());
    messagebox::setNextAnswers({QMessageBox::Ok, QMessageBox::Ok});
    {
        TFo_Kalvuno w(m_profile, {});
        w.show(); // the first-run set-up cannot write
        EXPECT_FALSE(w.isFirstShow());
        w.close(); // nor can the placement be saved
    }
    const QString expected = ini() + QStringLiteral(" に書き込めません");
    EXPECT_EQ(messagebox::answeredTexts(), (QStringList{expected, expected}));
}

TEST_F(MainWindowTest, ExitMenuClosesTheWindow)
{
    TFo_Kalvuno w(m_profile, {});
    w.show();
    auto *exit = w.findChild<QAction *>(QStringLiteral("MF_Exit"));
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), u"終了(&X)");
    exit->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.isFirstShow());
    EXPECT_TRUE(QFile::exists(ini()));
}

// Without a notification area the window minimises as usual; with one it
// goes to the tray and a left click brings it back.
TEST_F(MainWindowTest, MinimiseToTrayAndBack)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    {
        TFo_Kalvuno w(m_profile, {"/minimize"});
        w.show();
        QTest::qWait(200);
        EXPECT_TRUE(w.isMinimized());
        EXPECT_TRUE(w.isVisible()) << "no tray: the window stays";
        EXPECT_FALSE(w.isTrayIconShown());
        w.close();
    }

    QProcess trayer;
    trayer.start(QStringLiteral("trayer"), {});
    ASSERT_TRUE(trayer.waitForStarted()) << "trayer is needed for this test";
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 5000);
    {
        TFo_Kalvuno w(m_profile, {"/minimize"});
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 3000);
        EXPECT_TRUE(w.isTrayIconShown());
        w.restoreFromTray();
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.isMinimized());
        EXPECT_FALSE(w.isTrayIconShown());
        w.close();
    }
    trayer.kill();
    trayer.waitForFinished();
}

TEST_F(MainWindowTest, ATickInsideAMessageBoxOfATickStartsNothing)
{
    // Three entries that cannot be opened; at the end of the list the repeat
    // mode searches again, the service fails, and the tick shows the failure.
    RawHttpServer failing([](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    qputenv("KALVUNO_SERVICE_HOST", QStringLiteral("127.0.0.1:%1").arg(failing.port()).toUtf8());
    QDir().mkpath(m_profile);
    writeBytes(ini(), "[General]\r\nSetup=1\r\nBrowse=0\r\nRepeatMode=3\r\n");
    QByteArray list;
    for (const char *key : {"aaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb", "cccccccccccccccc"})
        list += QStringLiteral("[%1]\r\nTitle=%1\r\nMP3=%2\r\n").arg(key, m_tmp.path("missing.mp3")).toUtf8();
    writeBytes(m_profile + "Current.ini", list);
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.playback().currentQuery = QStringLiteral("Max=3");
        w.playlist().select(2);
        w.PlaySelectedEntry();

        // Ticks keep coming while the box is open; a deferred action is due.
        bool playerDuringBox = true;
        int pendingAfterTicks = -1;
        messagebox::setNextAnswers({QMessageBox::Ok});
        messagebox::setWhileOpen([&] {
            w.playback().pending = {PendingListAction::PlayFirst, {}};
            for (int i = 0; i < 3; ++i)
                w.Ti_CheckTimer();
            playerDuringBox = bool(w.playback().player());
            pendingAfterTicks = w.playback().pending.code;
        });
        QTRY_COMPARE_WITH_TIMEOUT(messagebox::answeredTexts().size(), 1, 10000);
        messagebox::setWhileOpen(nullptr);
        EXPECT_TRUE(messagebox::answeredTexts().constFirst().startsWith(u"検索に失敗しました。"));
        EXPECT_FALSE(playerDuringBox) << "a nested tick started a player";
        EXPECT_EQ(pendingAfterTicks, int(PendingListAction::PlayFirst)) << "a nested tick ran the deferred action";
        w.close();
    }
    qunsetenv("KALVUNO_SERVICE_HOST");
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
}

TEST_F(MainWindowTest, APendingActionRunsWithoutWaitingForTheTimerAndOnlyOnce)
{
    // A service that takes the request and never answers: the player stays opening.
    std::atomic<bool> release{false};
    RawHttpServer silent([&release](int, const std::string &) {
        for (int i = 0; i < 500 && !release; ++i)
            QThread::msleep(20);
    });
    QDir().mkpath(m_profile);
    writeBytes(ini(), "[General]\r\nSetup=1\r\nBrowse=0\r\n");
    QByteArray list;
    for (const char *key : {"a", "b"})
        list += QStringLiteral("[%1]\r\nTitle=%1\r\nMP3=http://127.0.0.1:%2/%1.mp3\r\n").arg(key).arg(silent.port()).toUtf8();
    writeBytes(m_profile + "Current.ini", list);
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.playback().StopPlayback();
        auto *timer = w.findChild<QTimer *>(QStringLiteral("Ti_Check"));
        timer->stop();
        w.playback().pending = {PendingListAction::PlayLast, {}};
        w.tickSoon();
        w.tickSoon();
        QTRY_VERIFY(w.playback().player());
        const std::shared_ptr<TPlay> started = w.playback().player();
        EXPECT_EQ(w.playlist().selected(), 1);
        EXPECT_EQ(w.playback().pending.code, int(PendingListAction::None));

        // Neither the second ring nor the timer's ticks run it again.
        timer->start();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(w.playback().player(), started);
        w.close();
    }
    release = true;
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
}

TEST_F(MainWindowTest, ListSectionsAndTheStatusBar)
{
    QDir().mkpath(m_profile);
    writeBytes(ini(), "[General]\r\nSetup=1\r\n");
    writeBytes(m_profile + "Current.ini", "[a]\r\nTitle=A\r\n[b]\r\nTitle=B\r\n");
    TFo_Kalvuno w(m_profile, {});
    w.resize(786, 583);
    w.show();
    const auto shown = [&] {
        QString out;
        for (const char *name : {"LB_Favorites", "LB_PlayLists", "LB_Play"})
            out += w.findChild<QWidget *>(name)->isVisible() ? u'1' : u'0';
        return out;
    };
    EXPECT_EQ(w.activeSection(), 0);
    EXPECT_EQ(shown(), u"100");
    QTest::mouseClick(w.findChild<QWidget *>("La_Selection"), Qt::LeftButton);
    EXPECT_EQ(shown(), u"010");
    QTest::mouseClick(w.findChild<QWidget *>("Pa_Playlist"), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(shown(), u"001");
    QTest::mouseClick(w.findChild<QWidget *>("Pa_Playlist"), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(shown(), u"001") << "the active header again changes nothing";
    // The active list takes what the headers and the panels leave.
    const int column = w.findChild<QWidget *>("Pa_Base")->height();
    QTRY_COMPARE(w.findChild<QWidget *>("Pa_PlayListBase")->height(), column - 25 - 25 - 279);

    // The hint of the control under the pointer, painted panels included.
    for (const char *name : {"PB_Control", "PB_Information", "LB_Play"}) {
        QWidget *control = w.findChild<QWidget *>(name);
        QStatusTipEvent tip(control->statusTip());
        QCoreApplication::sendEvent(control, &tip);
        EXPECT_EQ(w.statusBar()->currentMessage(), control->statusTip()) << name;
        EXPECT_FALSE(control->statusTip().isEmpty()) << name;
    }
    EXPECT_EQ(w.findChild<QWidget *>("PB_Control")->statusTip(), u"再生をコントロールします");

    // The help menu's version dialog, modal, closed by Escape.
    QAction *about = w.findChild<QAction *>("MH_About");
    EXPECT_EQ(about->text(), u"バージョン情報(&A)...");
    EXPECT_EQ(about->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    QString aboutTitle;
    QTimer::singleShot(100, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        aboutTitle = dialog ? dialog->windowTitle() : QString();
        if (dialog)
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    about->trigger();
    EXPECT_EQ(aboutTitle, u"バージョン情報");

    QAction *toggle = w.findChild<QAction *>("MV_StatusBar");
    toggle->trigger();
    EXPECT_FALSE(w.statusBar()->isVisible());
    w.Ti_CheckTimer();
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    w.Ti_CheckTimer();
    EXPECT_TRUE(toggle->isChecked());
    w.close();
}

TEST_F(MainWindowTest, PlaybackKeysOnlyWhenTheFocusedControlLeavesThem)
{
    QDir().mkpath(m_profile);
    writeBytes(ini(), "[General]\r\nSetup=1\r\nBrowse=0\r\n");
    // Locations that do not exist: nothing sounds, but players are made.
    writeBytes(m_profile + "Current.ini", "[a]\r\nTitle=A\r\nMP3=/nonexistent/a.mp3\r\n"
                                          "[b]\r\nTitle=B\r\nMP3=/nonexistent/b.mp3\r\n");
    {
        TFo_Kalvuno w(m_profile, {});
        w.show();
        w.StopPlayback();
        QWidget *plain = w.findChild<QWidget *>("Pa_Playlist");
        QWidget *edit = w.findChild<QWidget *>("Ed_Artist");

        QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier); // moves by word in the box
        EXPECT_EQ(w.playlist().selected(), 0);
        QTest::keyClick(plain, Qt::Key_Right, Qt::ControlModifier);
        EXPECT_EQ(w.playlist().selected(), 1);
        QTest::keyClick(plain, Qt::Key_Left, Qt::ControlModifier);
        EXPECT_EQ(w.playlist().selected(), 0);

        QTest::keyClick(edit, Qt::Key_Space);
        EXPECT_FALSE(w.playback().player()) << "a blank typed into the search bar started playback";
        QTest::keyClick(plain, Qt::Key_Space);
        EXPECT_TRUE(w.playback().player());
        w.close();
    }
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
}

} // namespace
