// Rewrites an INI file over and over until it is killed. Every version is
// consistent: section "S<i>" of each version holds "n" and the keys k0..k19,
// all with the version's number. It prints each version's number once the
// version is on disk.
#include "IniFile.h"

#include <QCoreApplication>
#include <cstdio>

using namespace kalvuno;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    IniFile ini(QString::fromLocal8Bit(argv[1]));
    for (int version = 1;; ++version) {
        IniBatch batch(ini);
        for (int s = 0; s < 50; ++s) {
            const QString section = QStringLiteral("S%1").arg(s);
            ini.writeInteger(section, u"n", version);
            for (int k = 0; k < 20; ++k)
                ini.writeString(section, QStringLiteral("k%1").arg(k), QStringLiteral("値%1").arg(version));
        }
        if (!batch.commit())
            return 1;
        std::printf("%d\n", version);
        std::fflush(stdout);
    }
}
