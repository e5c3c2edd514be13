#include "ProfilePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kalvuno {

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

QString profileFolder()
{
    const QString home = qEnvironmentVariable("KALVUNO_HOME");
    if (!home.isEmpty())
        return withSlash(QDir::cleanPath(QDir(home).absolutePath()));
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/kalvuno"));
}

bool ensureFolder(const QString &folder) { return QDir().mkpath(folder) && QFileInfo(folder).isDir(); }

QString dataFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString beside = exeDir + QStringLiteral("/data/");
    if (QFileInfo(beside).isDir())
        return beside;
    return withSlash(QDir::cleanPath(exeDir + QStringLiteral("/../share/kalvuno")));
}

} // namespace kalvuno
