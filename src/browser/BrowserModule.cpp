#include "BrowserModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {

QString programFolder()
{
    // Asked before the application object exists, when the module must be
    // loaded.
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

BrowserModule::BrowserModule(QStringList folders)
    : m_folders(std::move(folders))
{
}

BrowserModule &BrowserModule::shared()
{
    static BrowserModule module(defaultFolders());
    return module;
}

QStringList BrowserModule::defaultFolders()
{
    const QString program = programFolder();
    return { program, QDir::cleanPath(program + QStringLiteral("/" KALVUNO_MODULE_FROM_PROGRAM)) };
}

QString BrowserModule::fileName()
{
    return QStringLiteral("libkalvuno_browser.so");
}

const BrowserModuleEntry *BrowserModule::load()
{
    if (m_tried)
        return m_entry;
    m_tried = true;
    m_entry = find();
    if (m_entry)
        qInfo("kalvuno: browser module from %s", qPrintable(m_path));
    else
        qInfo("kalvuno: no browser module: %s", qPrintable(m_error));
    return m_entry;
}

const BrowserModuleEntry *BrowserModule::find()
{
    QString candidate;
    for (const QString &folder : std::as_const(m_folders)) {
        if (QFileInfo::exists(QDir(folder).filePath(fileName()))) {
            candidate = QDir(folder).filePath(fileName());
            break;
        }
    }
    if (candidate.isEmpty()) {
        m_error = QStringLiteral("%1 not found in %2").arg(fileName(), m_folders.join(QStringLiteral(", ")));
        return nullptr;
    }
    QLibrary library(candidate);
    // The web engine cannot be unloaded safely once it has run.
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load()) {
        m_error = library.errorString();
        return nullptr;
    }
    const auto function = reinterpret_cast<BrowserModuleFunction>(library.resolve(kBrowserModuleFunction));
    const BrowserModuleEntry *entry = function ? function() : nullptr;
    if (!entry) {
        m_error = QStringLiteral("%1 has no %2()").arg(candidate, QLatin1String(kBrowserModuleFunction));
        return nullptr;
    }
    if (entry->version != kBrowserModuleVersion || !entry->prepareWebEngine || !entry->createPane) {
        m_error = QStringLiteral("%1 is version %2, the program needs %3")
                      .arg(candidate)
                      .arg(entry->version)
                      .arg(kBrowserModuleVersion);
        return nullptr;
    }
    m_path = candidate;
    return entry;
}
