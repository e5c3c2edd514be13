#pragma once

#include "DownloadPlan.h"
#include "MediaFetcher.h"

#include <QObject>
#include <QSet>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace kalvuno {

// Downloads finished songs one at a time on a thread of its own, so that a
// long transfer never freezes the window. Jobs are given and results come
// back on the thread that owns the queue, as signals.
class DownloadQueue : public QObject
{
    Q_OBJECT
public:
    // Besides the one being fetched, at most this many wait; more are skipped.
    static constexpr int kMaxWaiting = 8;

    explicit DownloadQueue(std::unique_ptr<MediaFetcher> fetcher, QObject *parent = nullptr);
    // Cancels what runs and waits (briefly) for the thread to end.
    ~DownloadQueue() override;

    // False when the job is skipped: the queue is full, the same copy is
    // already being fetched or waiting, or the queue was cancelled.
    bool enqueue(const DownloadJob &job);
    // Ends the running transfer as failed and drops the waiting jobs; the
    // queue takes no more jobs. For the program's end.
    void cancelAll();
    // Nothing runs or waits, and every result has been delivered.
    bool isIdle() const { return m_outstanding.isEmpty(); }

signals:
    // About ten times a second at most while a job runs; total is -1 when unknown.
    void progress(const kalvuno::DownloadJob &job, qint64 received, qint64 total);
    // A job has ended; complete tells whether its copy is there.
    void finished(const kalvuno::DownloadJob &job, bool complete);

private:
    void run();
    void deliver(const DownloadJob &job, bool complete);

    std::unique_ptr<MediaFetcher> m_fetcher;
    // The targets given and not yet delivered (owner's thread only).
    QSet<QString> m_outstanding;
    bool m_cancelled = false; // owner's thread only

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<DownloadJob> m_waiting; // guarded by m_mutex
    bool m_stopping = false;           // guarded by m_mutex
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

} // namespace kalvuno
