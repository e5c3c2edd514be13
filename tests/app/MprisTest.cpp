#include "IniFile.h"
#include "TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include "QtTry.h"
#include <gtest/gtest.h>

namespace {

// The real program on a private session bus, driven by playerctl and gdbus.
class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(m_bus.waitForReadyRead(5000)) << "dbus-daemon is needed";
        const QString address = QString::fromUtf8(m_bus.readLine()).trimmed();
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("DBUS_SESSION_BUS_ADDRESS", address);
        m_env.insert("KALVUNO_HOME", m_tmp.path("profile"));
        m_env.insert("HOME", m_tmp.dir.path());
        m_env.insert("KALVUNO_AUDIO_SINK", "fakesink sync=true");
        // No web view: its start page would go to a service no test started.
        m_env.insert("KALVUNO_NO_BROWSER", "1");
        QDir().mkpath(m_tmp.path("profile"));
        writeBytes(m_tmp.path("profile/Kalvuno.ini"), "[General]\r\nSetup=1\r\nBrowse=0\r\nRepeatMode=3\r\n");
        // A list left from before: it loads at start and its first song plays.
        QByteArray list;
        for (int i = 1; i <= 3; ++i) {
            const QString song = m_tmp.path(QStringLiteral("s%1.wav").arg(i));
            QProcess::execute("gst-launch-1.0", {"-q", "audiotestsrc", "num-buffers=400", "!",
                                                 "audio/x-raw,rate=22050,channels=1", "!", "wavenc", "!", "filesink",
                                                 "location=" + song});
            list += QStringLiteral("[%1]\r\nTitle=Song %2\r\nArtist=Band %2\r\nMP3=%1\r\n").arg(song).arg(i).toUtf8();
        }
        writeBytes(m_tmp.path("profile/Current.ini"), list);
        m_program.setProcessEnvironment(m_env);
        m_program.start(QStringLiteral(KALVUNO_BINARY), {});
        ASSERT_TRUE(m_program.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"status"}), QStringLiteral("Playing"), 10000);
    }
    void TearDown() override
    {
        m_program.terminate();
        m_program.waitForFinished(5000);
        m_bus.kill();
        m_bus.waitForFinished();
    }
    QString run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(program, args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString ctl(const QStringList &args) { return run("playerctl", QStringList{"-p", "kalvuno"} + args); }

    TempDir m_tmp;
    QProcess m_bus;
    QProcess m_program;
    QProcessEnvironment m_env;
};

TEST_F(MprisTest, RemoteControlActsLikeTheButtons)
{
    EXPECT_EQ(ctl({"metadata", "title"}), u"Song 1");
    EXPECT_EQ(ctl({"metadata", "artist"}), u"Band 1");
    ctl({"pause"});
    QTRY_COMPARE(ctl({"status"}), QStringLiteral("Paused"));
    ctl({"play"});
    QTRY_COMPARE(ctl({"status"}), QStringLiteral("Playing"));
    ctl({"next"});
    QTRY_COMPARE(ctl({"metadata", "title"}), QStringLiteral("Song 2"));
    ctl({"position", "10"});
    QTRY_VERIFY(ctl({"position"}).toDouble() >= 10.0);
    EXPECT_LT(ctl({"position"}).toDouble(), 14.0);
    ctl({"previous"});
    QTRY_COMPARE(ctl({"metadata", "title"}), QStringLiteral("Song 1"));
    ctl({"stop"});
    QTRY_COMPARE(ctl({"status"}), QStringLiteral("Stopped"));

    // Re-search (mode 3) reads as Playlist and survives setting Playlist.
    EXPECT_EQ(ctl({"loop"}), u"Playlist");
    ctl({"loop", "Playlist"});
    ctl({"loop", "Track"});
    QTRY_COMPARE(ctl({"loop"}), QStringLiteral("Track"));
    QTRY_COMPARE(kalvuno::IniFile(m_tmp.path("profile/Kalvuno.ini")).readInteger(u"General", u"RepeatMode", -1), 1);

    EXPECT_EQ(run("gdbus", {"call", "--session", "--dest", "org.mpris.MediaPlayer2.kalvuno", "--object-path",
                            "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                            "org.mpris.MediaPlayer2", "Identity"}),
              u"(<'Kalvuno'>,)");

    // A location handed over by URI joins the list and plays.
    ctl({"open", "file://" + m_tmp.path("s3.wav")});
    QTRY_COMPARE_WITH_TIMEOUT(ctl({"metadata", "title"}), QStringLiteral("s3.wav"), 5000);
    EXPECT_EQ(ctl({"status"}), u"Playing");

    // Applets send it the way dbus-send does without --print-reply: as a
    // signal addressed to the player, expecting no answer.
    QFile::copy(m_tmp.path("s1.wav"), m_tmp.path("sent.wav"));
    run("dbus-send", {"--session", "--dest=org.mpris.MediaPlayer2.kalvuno", "/org/mpris/MediaPlayer2",
                      "org.mpris.MediaPlayer2.Player.OpenUri", "string:file://" + m_tmp.path("sent.wav")});
    QTRY_COMPARE_WITH_TIMEOUT(ctl({"metadata", "title"}), QStringLiteral("sent.wav"), 5000);
}

TEST_F(MprisTest, RepeatModeSurvivesAPlaylistRoundTrip)
{
    ctl({"loop", "Playlist"});
    QTest::qWait(300);
    EXPECT_EQ(kalvuno::IniFile(m_tmp.path("profile/Kalvuno.ini")).readInteger(u"General", u"RepeatMode", -1), 3);
    run("gdbus", {"call", "--session", "--dest", "org.mpris.MediaPlayer2.kalvuno", "--object-path",
                  "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
    EXPECT_TRUE(m_program.waitForFinished(5000));
    EXPECT_EQ(m_program.exitCode(), 0);
}

} // namespace
