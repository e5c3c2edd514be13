// The rendezvous folder's side of SingleInstance: what the program reads
// before it has an application object, so that the earliest start needs no
// more than QtCore.
#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace kalvuno {

QString SingleInstance::folderFor(const QString &profileFolder)
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir())
        runtime = QDir::tempPath();
    const QByteArray hash = QCryptographicHash::hash(profileFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("%1/kalvuno-%2-%3").arg(runtime).arg(getuid()).arg(QString::fromLatin1(hash));
}

QStringList SingleInstance::socketsIn(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
        paths.append(dir.filePath(name));
    return paths;
}

bool SingleInstance::mayBeRunning(const QString &folder) { return !socketsIn(folder).isEmpty(); }

} // namespace kalvuno
