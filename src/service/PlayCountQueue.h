#pragma once

#include "HttpTransport.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kalvuno {

// Sends play counts on a thread of its own, one after the other in the order
// they were given, so that a slow or silent service never holds up the
// window at the end of a song. As with a direct report, nothing is shown or
// retried when one fails.
class PlayCountQueue
{
public:
    PlayCountQueue();
    // Gives the reports still queued a short while, then ends the one on the wire.
    ~PlayCountQueue();
    PlayCountQueue(const PlayCountQueue &) = delete;
    PlayCountQueue &operator=(const PlayCountQueue &) = delete;

    // Queues the report for the library song `key`, sent with a copy of
    // `transport` as it is now.
    void send(const HttpTransport &transport, const QString &key);
    // Waits at most timeoutMs until every report queued so far has been sent.
    bool waitUntilSent(int timeoutMs);

private:
    struct Report
    {
        HttpTransport transport;
        QByteArray body;
    };
    void run();

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Report> m_reports; // guarded by m_lock
    bool m_sending = false;       // guarded by m_lock
    bool m_stopping = false;      // guarded by m_lock
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

// How long the queue waits for unsent reports when the program ends.
inline constexpr int kPlayCountDrainMs = 2000;

} // namespace kalvuno
