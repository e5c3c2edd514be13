#include "IniFile.h"
#include "ProfilePaths.h"
#include "SingleInstance.h"
#include "TempDir.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
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
    QProcess *launch(const QStringList &args)
    {
        auto *p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QStringLiteral(KALVUNO_BINARY), args);
        p->waitForStarted();
        m_processes.append(p);
        return p;
    }
    // True once a program answers on the profile's socket.
    bool answering() const
    {
        QLocalSocket probe;
        probe.connectToServer(SingleInstance::nameFor(m_profile));
        return probe.waitForConnected(100);
    }

    TempDir m_tmp;
    QString m_profile;
    QList<QProcess *> m_processes;
};

TEST_F(SingleInstanceTest, NewLaunchClosesTheRunningOneWhichSavesItsState)
{
    QProcess *first = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    writeBytes(m_profile + QStringLiteral("Current.ini"), "[k]\r\nTitle=left from the first run\r\n");

    QProcess *second = launch({QStringLiteral("song.mp3")});
    ASSERT_TRUE(first->waitForFinished(10000)) << "the running instance did not close";
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    // Its close and destroy work ran: placement saved, working playlist gone.
    EXPECT_FALSE(QFile::exists(m_profile + QStringLiteral("Current.ini")));
    IniFile ini(m_profile + QStringLiteral("Kalvuno.ini"));
    EXPECT_GT(ini.readInteger(u"Window", u"Width", 0), 0);

    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    EXPECT_EQ(second->state(), QProcess::Running);

    // "/test" first runs beside it; "/test" later does not.
    QProcess *beside = launch({QStringLiteral("/TEST")});
    QTest::qWait(1500);
    EXPECT_EQ(beside->state(), QProcess::Running);
    EXPECT_EQ(second->state(), QProcess::Running);

    QProcess *replacing = launch({QStringLiteral("x.mp3"), QStringLiteral("/test")});
    EXPECT_TRUE(second->waitForFinished(10000)) << "a later \"/test\" must still replace the running instance";
    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    EXPECT_EQ(replacing->state(), QProcess::Running);
    EXPECT_EQ(beside->state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, StaleSocketFromACrashIsTakenOver)
{
    QProcess *crashed = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    crashed->kill();
    crashed->waitForFinished();
    QProcess *next = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    EXPECT_EQ(next->state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, TerminationSignalClosesLikeTheUser)
{
    QProcess *running = launch({});
    QTRY_VERIFY_WITH_TIMEOUT(answering(), 10000);
    writeBytes(m_profile + QStringLiteral("Current.ini"), "[k]\r\nTitle=t\r\n");
    running->terminate();
    ASSERT_TRUE(running->waitForFinished(10000));
    EXPECT_EQ(running->exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFile::exists(m_profile + QStringLiteral("Current.ini")));
    EXPECT_GT(IniFile(m_profile + QStringLiteral("Kalvuno.ini")).readInteger(u"Window", u"Width", 0), 0);
}

} // namespace
