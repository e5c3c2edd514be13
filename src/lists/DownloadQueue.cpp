#include "DownloadQueue.h"

#include <chrono>

namespace kalvuno {

namespace {
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
} // namespace

DownloadQueue::DownloadQueue(std::unique_ptr<MediaFetcher> fetcher, QObject *parent)
    : QObject(parent), m_fetcher(std::move(fetcher)), m_thread([this] { run(); })
{
}

DownloadQueue::~DownloadQueue()
{
    cancelAll();
    m_thread.join();
    // Results the thread posted and nobody took are dropped with this object.
}

bool DownloadQueue::enqueue(const DownloadJob &job)
{
    const QString target = job.target();
    if (m_cancelled || m_outstanding.contains(target) || m_outstanding.size() > kMaxWaiting)
        return false;
    m_outstanding.insert(target);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(job);
    }
    m_wake.notify_one();
    return true;
}

void DownloadQueue::cancelAll()
{
    m_cancelled = true;
    m_cancel = true;
    std::deque<DownloadJob> dropped;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        dropped.swap(m_waiting);
    }
    m_wake.notify_one();
    for (const DownloadJob &job : dropped)
        deliver(job, false);
}

void DownloadQueue::deliver(const DownloadJob &job, bool complete)
{
    m_outstanding.remove(job.target());
    emit finished(job, complete);
}

void DownloadQueue::run()
{
    using Steady = std::chrono::steady_clock;
    while (true) {
        DownloadJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
            if (m_stopping)
                return;
            job = m_waiting.front();
            m_waiting.pop_front();
        }
        Steady::time_point lastReport;
        const auto report = [&](qint64 received, qint64 total) {
            const auto now = Steady::now();
            if (now - lastReport < kProgressInterval)
                return;
            lastReport = now;
            QMetaObject::invokeMethod(
                this, [this, job, received, total] { emit progress(job, received, total); }, Qt::QueuedConnection);
        };
        const bool complete = m_fetcher->fetch(job, m_cancel, report);
        QMetaObject::invokeMethod(this, [this, job, complete] { deliver(job, complete); }, Qt::QueuedConnection);
    }
}

} // namespace kalvuno
