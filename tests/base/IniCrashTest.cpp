#include "IniFile.h"
#include "TempDir.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

using namespace kalvuno;

// A writer killed at any moment leaves the old or the new version of the
// file, never a mix, a torn one or one older than it had finished.
TEST(IniCrash, KilledWriterNeverLeavesATornFile)
{
    TempDir tmp;
    const QString path = tmp.path("Kalvuno.ini");
    QRandomGenerator rng(12345);
    for (int round = 0; round < 40; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(KALVUNO_INI_WRITER), {path});
        ASSERT_TRUE(writer.waitForStarted());
        // Killed at a random moment after its first version is on disk, in
        // the middle of writing a later one or between two: however slowly
        // a loaded machine starts it, every round has a file to check.
        ASSERT_TRUE(writer.waitForReadyRead(30000)) << "round " << round;
        QThread::msleep(rng.bounded(0, 30));
        writer.kill();
        writer.waitForFinished();

        IniFile ini(path);
        const QStringList sections = ini.sectionNames();
        ASSERT_EQ(sections.size(), 50) << "round " << round;
        const int version = ini.readInteger(u"S0", u"n", -1);
        // Nothing the writer reported as written is lost.
        const int reported = writer.readAllStandardOutput().trimmed().split('\n').last().toInt();
        ASSERT_GT(reported, 0);
        ASSERT_GE(version, reported) << "round " << round;
        for (const QString &section : sections) {
            ASSERT_EQ(ini.readInteger(section, u"n", -1), version) << section.toStdString();
            for (int k = 0; k < 20; ++k)
                ASSERT_EQ(ini.readString(section, QStringLiteral("k%1").arg(k)), QStringLiteral("値%1").arg(version));
        }
    }
}
