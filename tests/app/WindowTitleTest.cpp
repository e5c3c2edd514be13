// Window titles as the X server holds them: what task bars, window managers
// and xdotool show, which is not always what windowTitle() returns.
#include "HttpTransport.h"
#include "MainWindow.h"
#include "MessageBox.h"
#include "RawHttpServer.h"
#include "SearchDialog.h"
#include "TPlay.h"
#include "TempDir.h"
#include "VideoWindow.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include "QtTry.h"
#include <QTimer>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

QString xTitle(const QWidget *window)
{
    QProcess xprop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_WM_NAME")});
    xprop.waitForFinished(5000);
    // _NET_WM_NAME(UTF8_STRING) = "Kalvuno - ..."
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype quote = out.indexOf(u'"');
    return quote < 0 ? out : out.mid(quote + 1).chopped(1);
}

bool gst(const QStringList &pipeline) { return QProcess::execute(QStringLiteral("gst-launch-1.0"), QStringList{"-q"} + pipeline) == 0; }

TEST(WindowTitles, AsTheXServerShowsThem)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    TempDir home;
    const QString profile = home.path("profile/");
    QDir().mkpath(profile);
    ASSERT_TRUE(gst({"audiotestsrc", "num-buffers=2000", "!", "audio/x-raw,rate=22050,channels=1", "!", "wavenc", "!",
                     "filesink", "location=" + home.path("a.wav")}));
    ASSERT_TRUE(gst({"videotestsrc", "num-buffers=500", "!", "video/x-raw,width=160,height=120,framerate=25/1", "!",
                     "videoconvert", "!", "jpegenc", "!", "avimux", "!", "filesink", "location=" + home.path("v.avi")}));
    writeBytes(profile + "Kalvuno.ini", "[General]\r\nSetup=1\r\nBrowse=0\r\n");
    writeBytes(profile + "Current.ini", QStringLiteral("[%1]\r\nTitle=夜の曲\r\nMP3=%1\r\n[%2]\r\nTitle=映像の曲\r\nMP3=%2\r\n")
                                            .arg(home.path("a.wav"), home.path("v.avi"))
                                            .toUtf8()
                                            .prepend("\xEF\xBB\xBF"));
    // Searches go to a service that takes a second and then fails.
    RawHttpServer slow([&](int fd, const std::string &) {
        slow.pause(1000);
        RawHttpServer::send(fd, "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    qputenv("KALVUNO_SERVICE_HOST", QStringLiteral("127.0.0.1:%1").arg(slow.port()).toUtf8());
    qputenv("KALVUNO_AUDIO_SINK", "fakesink sync=true");
    qputenv("KALVUNO_VIDEO_SINK", "fakesink sync=true");
    qputenv("HOME", home.dir.path().toUtf8());
    {
        TFo_Video video;
        TFo_Kalvuno w(profile, {});
        w.setVideoWindow(&video);
        w.show();
        QTRY_COMPARE_WITH_TIMEOUT(xTitle(&w), QStringLiteral("Kalvuno - 夜の曲"), 10000);

        w.StopPlayback();
        QTRY_COMPARE(xTitle(&w), QStringLiteral("Kalvuno "));

        w.playlist().select(1);
        w.PlaySelectedEntry();
        QTRY_VERIFY_WITH_TIMEOUT(video.isVisible(), 10000);
        QTRY_COMPARE(xTitle(&video), QStringLiteral("映像の曲"));
        w.StopPlayback();

        // While the search waits the window goes on painting, so its title
        // on the X server says so.
        QString whileSearching;
        HttpTransport::setWaitHook([&] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (whileSearching.isEmpty())
                whileSearching = xTitle(&w);
        });
        messagebox::setNextAnswers({QMessageBox::Ok});
        w.findChild<QPushButton *>("Bu_Search")->click();
        HttpTransport::setWaitHook(nullptr);
        EXPECT_EQ(whileSearching, u"Kalvuno - 検索中...");

        TFo_Search search(profile + "favorites/", &w);
        search.show();
        QTRY_COMPARE(xTitle(&search), QStringLiteral("検索"));
        search.close();

        // Message boxes carry the program's name.
        QString boxTitle;
        QTimer::singleShot(100, [&] {
            boxTitle = xTitle(QApplication::activeModalWidget());
            messagebox::dismissAll();
        });
        EXPECT_EQ(messagebox::show(&w, QMessageBox::Question, "?", QMessageBox::Ok | QMessageBox::Cancel),
                  QMessageBox::Cancel);
        EXPECT_EQ(boxTitle, u"Kalvuno");
        QTimer::singleShot(100, [&] {
            boxTitle = xTitle(QApplication::activeModalWidget());
            messagebox::dismissAll();
        });
        messagebox::show(&w, QMessageBox::Question, "?", QMessageBox::Ok | QMessageBox::Cancel,
                         QStringLiteral("プレイリストの削除"));
        EXPECT_EQ(boxTitle, u"プレイリストの削除") << "a box with a caption of its own";
        w.close();
    }
    qunsetenv("KALVUNO_SERVICE_HOST");
    EXPECT_TRUE(TPlay::waitForAllClosed(5000));
}

} // namespace
