#include "IniFile.h"
#include "TempDir.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

using namespace kalvuno;

// A writer killed at any moment leaves the old or the new version of the
// file, never a mix or a torn one.
TEST(IniCrash, KilledWriterNeverLeavesATornFile)
{
    TempDir tmp;
    const QString path = tmp.path("Kalvuno.ini");
    QRandomGenerator rng(12345);
    int lastVersion = 0;
    for (int round = 0; round < 40; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(KALVUNO_INI_WRITER), {path});
        ASSERT_TRUE(writer.waitForStarted());
        QThread::msleep(rng.bounded(5, 60));
        writer.kill();
        writer.waitForFinished();

        IniFile ini(path);
        const QStringList sections = ini.sectionNames();
        if (sections.isEmpty())
            continue; // killed before its first write ended: no file yet
        ASSERT_EQ(sections.size(), 50) << "round " << round;
        const int version = ini.readInteger(u"S0", u"n", -1);
        ASSERT_GT(version, 0);
        for (const QString &section : sections) {
            ASSERT_EQ(ini.readInteger(section, u"n", -1), version) << section.toStdString();
            for (int k = 0; k < 20; ++k)
                ASSERT_EQ(ini.readString(section, QStringLiteral("k%1").arg(k)), QStringLiteral("値%1").arg(version));
        }
        lastVersion = version;
    }
    EXPECT_GT(lastVersion, 0) << "the writer never finished a version";
}
