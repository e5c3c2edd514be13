#include "ProgramModule.h"

#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace kalvuno {

namespace {

constexpr const char *kFileName = "libkalvuno_program.so";

} // namespace

ProgramMain loadProgramModule(QString &error)
{
    const QString program = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
    const QStringList folders{program, QDir::cleanPath(program + QStringLiteral("/" KALVUNO_MODULE_FROM_PROGRAM))};
    QString path;
    for (const QString &folder : folders) {
        if (QFileInfo::exists(QDir(folder).filePath(QLatin1String(kFileName)))) {
            path = QDir(folder).filePath(QLatin1String(kFileName));
            break;
        }
    }
    if (path.isEmpty()) {
        error = QStringLiteral("%1 not found in %2").arg(QLatin1String(kFileName), folders.join(QStringLiteral(", ")));
        return nullptr;
    }
    // Never unloaded: the program runs in it until the end.
    void *module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = QString::fromLocal8Bit(dlerror());
        return nullptr;
    }
    const auto *build = static_cast<const char *>(dlsym(module, "kalvunoProgramBuild"));
    if (!build || qstrcmp(build, KALVUNO_BUILD_STAMP) != 0) {
        error = QStringLiteral("%1 is from another build").arg(path);
        return nullptr;
    }
    const auto entry = reinterpret_cast<ProgramMain>(dlsym(module, "kalvunoProgramMain"));
    if (!entry)
        error = QStringLiteral("%1 has no kalvunoProgramMain()").arg(path);
    return entry;
}

} // namespace kalvuno
