#include "MediaFetcher.h"

#include <QDir>
#include <QFileInfo>

namespace kalvuno {

NetworkFetcher::NetworkFetcher(const DownloadOptions &limits, uint32_t stallLimitMs)
    : m_limits(limits), m_http(m_clock, stallLimitMs)
{
}

bool NetworkFetcher::fetch(const DownloadJob &job, const std::atomic<bool> &cancel,
                           const DownloadProgressFunction &progress)
{
    const QString artistFolder = job.folder + job.artist;
    if (!QFileInfo(artistFolder).isDir() && !QDir().mkdir(artistFolder))
        return false;
    DownloadOptions options = m_limits;
    // This runs on the download thread: the window's events and its busy
    // cursor are none of its business.
    options.background = true;
    options.cancel = &cancel;
    options.progress = progress;
    return m_http.DownloadToFile(job.target(), job.url, options);
}

} // namespace kalvuno
