#pragma once

#include "DownloadPlan.h"
#include "DownloadQueue.h"
#include "IniFile.h"

#include <QObject>
#include <memory>

namespace kalvuno {

// The automatic download of songs heard to the end. The entry's values are
// taken on the caller's thread, the transfer runs on the download queue's
// thread, and the record ("this entry's copy lies at artist/title.ext below
// its folder") is written on the caller's thread once the copy is complete.
class SongDownloads : public QObject
{
    Q_OBJECT
public:
    // records: the settings file whose section `recordSection` holds the records.
    SongDownloads(IniFile &records, QString recordSection, std::unique_ptr<MediaFetcher> fetcher,
                  QObject *parent = nullptr);

    // Starts or queues the download of an entry heard to the end, when it is
    // due (see planDownload). False when nothing was started or queued.
    bool DownloadFinishedEntry(const FinishedEntry &entry, const DownloadSettings &settings);
    // Ends the transfer and drops the waiting ones; no file is left half
    // written and no record is written for them. For the program's end.
    void cancelAll() { m_queue.cancelAll(); }
    bool isIdle() const { return m_queue.isIdle(); }
    QString record(const QString &key) const { return m_records.readString(m_section, key); }

signals:
    // What to show while a download runs, about ten times a second.
    void progressText(const QString &text);
    // Nothing runs or waits any more: the progress text can go.
    void idle();
    // The record could not be written into the settings file.
    void recordFailed(const QString &path);

private:
    void finished(const DownloadJob &job, bool complete);

    IniFile &m_records;
    QString m_section;
    DownloadQueue m_queue;
};

// "ダウンロード中: <title> 45%", or the bytes so far when the length is unknown.
QString downloadProgressText(const QString &title, qint64 received, qint64 total);

} // namespace kalvuno
