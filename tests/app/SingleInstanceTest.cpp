#include "IniFile.h"
#include "ProfilePaths.h"
#include "RawHttpServer.h"
#include "SingleInstance.h"
#include "TempDir.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include "QtTry.h"
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// Real program processes sharing one profile folder.
class SingleInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        qputenv("KALVUNO_HOME", m_tmp.path("profile").toUtf8());
        qputenv("HOME", m_tmp.dir.path().toUtf8());
        // No web view: its start page would go to a service no test started.
        qputenv("KALVUNO_NO_BROWSER", "1");
        m_profile = profileFolder();
        QDir().mkpath(m_profile);
        // A confirmed set-up, so no first-run dialog waits for a user.
        writeBytes(m_profile + QStringLiteral("Kalvuno.ini"), "[General]\r\nSetup=1\r\n");
    }
    void TearDown() override
    {
        for (QProcess *p : m_processes) {
            p->kill();
            p->waitForFinished();
            delete p;
        }
    }
    // serviceHost: where the program's searches go.
    QProcess *launch(const QStringList &args, const QString &serviceHost = QString())
    {
        auto *p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!serviceHost.isEmpty())
            env.insert(QStringLiteral("KALVUNO_SERVICE_HOST"), serviceHost);
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(KALVUNO_BINARY), args);
        p->waitForStarted();
        m_processes.append(p);
        return p;
    }
    QList<qint64> running() const { return SingleInstance::answeringInstances(SingleInstance::folderFor(m_profile)); }
    // True once exactly this program answers on the profile's sockets.
    bool answeringAlone(QProcess *p) const { return running() == QList<qint64>{p->processId()}; }
    // A favourite whose search the program runs at start.
    QString favorite()
    {
        const QString file = m_tmp.path("busy.fvr");
        writeBytes(file, "[Favorite]\r\nTarget=MP3\r\nArtist=busy\r\nMax=5\r\n");
        return file;
    }

    TempDir m_tmp;
    QString m_profile;
    QList<QProcess *> m_processes;
};

TEST_F(SingleInstanceTest, NewLaunchClosesTheRunningOneWhichSavesItsState)
{
    QProcess *first = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(first), 10000);
    writeBytes(m_profile + QStringLiteral("Current.ini"), "[k]\r\nTitle=left from the first run\r\n");

    QProcess *second = launch({QStringLiteral("song.mp3")});
    ASSERT_TRUE(first->waitForFinished(10000)) << "the running instance did not close";
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    // Its close and destroy work ran: placement saved, working playlist gone.
    EXPECT_FALSE(QFile::exists(m_profile + QStringLiteral("Current.ini")));
    IniFile ini(m_profile + QStringLiteral("Kalvuno.ini"));
    EXPECT_GT(ini.readInteger(u"Window", u"Width", 0), 0);

    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(second), 10000);

    // "/test" first runs beside it (and listens too); "/test" later does not.
    QProcess *beside = launch({QStringLiteral("/TEST")});
    QTRY_COMPARE_WITH_TIMEOUT(running().size(), 2, 10000);
    EXPECT_EQ(second->state(), QProcess::Running);

    // A later launch closes every instance of the profile, the "/test" one too.
    QProcess *replacing = launch({QStringLiteral("x.mp3"), QStringLiteral("/test")});
    EXPECT_TRUE(second->waitForFinished(10000)) << "a later \"/test\" must still replace the running instance";
    EXPECT_TRUE(beside->waitForFinished(10000)) << "an instance started with \"/test\" stayed";
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(replacing), 10000);
}

TEST_F(SingleInstanceTest, ABusyInstanceClosesAtOnceAndNeverRunsBesideTheNewOne)
{
    // The first instance's search waits on a service that never answers.
    RawHttpServer silent([&](int, const std::string &) { silent.pause(60000); });
    // The second's service answers, so its list is the one in "Current.ini".
    RawHttpServer library([](int fd, const std::string &) {
        // No location to play: nothing is fetched from anywhere.
        RawHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Length: 32\r\nConnection: close\r\n\r\n"
                                "[aaaaaaaaaaaaaaaa]\r\nTitle=second\r\n");
    });
    const auto host = [](const RawHttpServer &s) { return QStringLiteral("127.0.0.1:%1").arg(s.port()); };

    QProcess *first = launch({favorite()}, host(silent));
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(first) && silent.connections() == 1, 10000);
    QProcess *second = launch({favorite()}, host(library));
    // Well before the request's own 30 s limit.
    ASSERT_TRUE(first->waitForFinished(10000)) << "the busy instance did not close";
    EXPECT_EQ(first->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(second), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(readBytes(m_profile + QStringLiteral("Current.ini")).contains("second"), 10000);
    QTest::qWait(500);
    EXPECT_TRUE(readBytes(m_profile + QStringLiteral("Current.ini")).contains("second")) << "the old one deleted it";
    EXPECT_GT(IniFile(m_profile + QStringLiteral("Kalvuno.ini")).readInteger(u"Window", u"Width", 0), 0);

    // The same with a message box open: a failed search.
    RawHttpServer failing([](int fd, const std::string &) {
        RawHttpServer::send(fd, "HTTP/1.1 500 Oops\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    QProcess *third = launch({favorite()}, host(failing));
    ASSERT_TRUE(second->waitForFinished(10000));
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(third) && failing.connections() == 1, 10000);
    QTest::qWait(500); // the failure's message box is up
    QProcess *fourth = launch({});
    ASSERT_TRUE(third->waitForFinished(10000)) << "an open message box kept the instance";
    EXPECT_EQ(third->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(fourth), 10000);
}

TEST_F(SingleInstanceTest, AnInstanceThatDoesNotGoIsNeverJoined)
{
    // Something answers on the profile's socket but never lets go.
    const QString folder = SingleInstance::folderFor(m_profile);
    QDir().mkpath(folder);
    QLocalServer stubborn;
    ASSERT_TRUE(stubborn.listen(folder + QStringLiteral("/1")));
    SingleInstance newLaunch(folder);
    EXPECT_FALSE(newLaunch.closeRunningInstances(500));
    stubborn.close();
    EXPECT_TRUE(newLaunch.closeRunningInstances(500)) << "nothing answers any more";
}

TEST_F(SingleInstanceTest, StaleSocketFromACrashIsTakenOver)
{
    QProcess *crashed = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(crashed), 10000);
    crashed->kill();
    crashed->waitForFinished();
    QProcess *next = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(next), 10000);
}

TEST_F(SingleInstanceTest, TerminationSignalClosesLikeTheUser)
{
    QProcess *running = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answeringAlone(running), 10000);
    writeBytes(m_profile + QStringLiteral("Current.ini"), "[k]\r\nTitle=t\r\n");
    running->terminate();
    ASSERT_TRUE(running->waitForFinished(10000));
    EXPECT_EQ(running->exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFile::exists(m_profile + QStringLiteral("Current.ini")));
    EXPECT_GT(IniFile(m_profile + QStringLiteral("Kalvuno.ini")).readInteger(u"Window", u"Width", 0), 0);
}

} // namespace
