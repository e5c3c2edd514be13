#include "SongDownloads.h"

#include <QLocale>

namespace kalvuno {

SongDownloads::SongDownloads(IniFile &records, QString recordSection, std::unique_ptr<MediaFetcher> fetcher,
                             QObject *parent)
    : QObject(parent), m_records(records), m_section(std::move(recordSection)), m_queue(std::move(fetcher))
{
    connect(&m_queue, &DownloadQueue::progress, this, [this](const DownloadJob &job, qint64 received, qint64 total) {
        emit progressText(downloadProgressText(job.title, received, total));
    });
    connect(&m_queue, &DownloadQueue::finished, this, &SongDownloads::finished);
}

bool SongDownloads::DownloadFinishedEntry(const FinishedEntry &entry, const DownloadSettings &settings)
{
    const auto job = planDownload(entry, settings, record(entry.key));
    const bool wasIdle = m_queue.isIdle();
    if (!job || !m_queue.enqueue(*job))
        return false;
    if (wasIdle)
        emit progressText(downloadProgressText(job->title, 0, -1));
    return true;
}

void SongDownloads::finished(const DownloadJob &job, bool complete)
{
    if (complete && !m_records.writeString(m_section, job.key, job.relativePath()))
        emit recordFailed(m_records.path());
    if (m_queue.isIdle())
        emit idle();
}

QString downloadProgressText(const QString &title, qint64 received, qint64 total)
{
    const QString amount = total > 0 ? QStringLiteral("%1%").arg(received * 100 / total)
                                     : QLocale::c().formattedDataSize(received, 1, QLocale::DataSizeTraditionalFormat);
    return QStringLiteral("ダウンロード中: %1 %2").arg(title, amount);
}

} // namespace kalvuno
