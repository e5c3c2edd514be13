#include "DownloadPlan.h"

#include "SafeFileName.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace kalvuno {

bool isLocalEntryKey(const QString &key)
{
    return key.startsWith(u'/') || key.startsWith(u"file:", Qt::CaseInsensitive) || key.contains(u'\\');
}

QString mediaExtension(const QString &location)
{
    QStringView path = location;
    if (location.contains(u"://")) {
        const qsizetype end = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (end >= 0)
            path = path.first(end);
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    const QStringView extension = path.sliced(dot);
    if (extension.contains(u'/') || extension.contains(u'\\') || extension.contains(u':'))
        return QString();
    return extension.toString();
}

std::optional<QString> downloadFolderFor(const QString &extension, const DownloadSettings &settings)
{
    const QString type = extension.toUpper();
    if (type == u".MP3")
        return settings.mp3Folder;
    if (type == u".WAV")
        return settings.wavFolder;
    if (type == u".MPG" || type == u".MPEG")
        return settings.mpegFolder;
    if (type == u".MID")
        return settings.midiFolder;
    return std::nullopt;
}

std::optional<DownloadJob> planDownload(const FinishedEntry &entry, const DownloadSettings &settings,
                                        const QString &record)
{
    if (isLocalEntryKey(entry.key) || !settings.enabled)
        return std::nullopt;
    if (settings.libraryOnly && entry.key.contains(u'.'))
        return std::nullopt;
    const QString extension = mediaExtension(entry.location);
    std::optional<QString> folder = downloadFolderFor(extension, settings);
    if (!folder || folder->isEmpty() || !QFileInfo(*folder).isDir())
        return std::nullopt;
    if (entry.artist.isEmpty() || entry.title.isEmpty())
        return std::nullopt;
    if (!folder->endsWith(u'/'))
        *folder += u'/';
    const int extensionBytes = int(extension.toUtf8().size());
    DownloadJob job{entry.key,
                    entry.location,
                    *folder,
                    safeFileNamePart(entry.artist),
                    safeFileNamePart(entry.title, kFileNameBytes - extensionBytes) + extension,
                    entry.title};
    if (record == job.relativePath() && QFileInfo::exists(job.target()))
        return std::nullopt;
    return job;
}

} // namespace kalvuno
