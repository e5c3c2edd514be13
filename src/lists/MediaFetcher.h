#pragma once

#include "Clock.h"
#include "DownloadPlan.h"
#include "HttpTransport.h"

#include <QtGlobal>
#include <atomic>
#include <functional>

namespace kalvuno {

using DownloadProgressFunction = std::function<void(qint64 received, qint64 total)>;

// Where the copy of a finished song comes from. Runs on the download thread.
class MediaFetcher
{
public:
    virtual ~MediaFetcher() = default;
    // Stores the job's medium at job.target(), creating its artist folder
    // (one level) when missing. True only when a complete copy is there; a
    // copy that was there before stays otherwise. Ends early, as failed, once
    // `cancel` is set.
    virtual bool fetch(const DownloadJob &job, const std::atomic<bool> &cancel,
                       const DownloadProgressFunction &progress) = 0;
};

// Fetches the medium again from the network. The player's streams leave no
// copy behind to reuse, so there is no cache to ask first.
class NetworkFetcher final : public MediaFetcher
{
public:
    // limits: the size cap and total time; stallLimitMs: the longest wait for one read.
    explicit NetworkFetcher(const DownloadOptions &limits = {}, uint32_t stallLimitMs = kTransportTimeLimitMs);

    bool fetch(const DownloadJob &job, const std::atomic<bool> &cancel,
               const DownloadProgressFunction &progress) override;

private:
    DownloadOptions m_limits;
    SystemClock m_clock;
    HttpTransport m_http;
};

} // namespace kalvuno
