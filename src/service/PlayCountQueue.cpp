#include "PlayCountQueue.h"

#include "PlayCount.h"
#include "RequestToken.h"

#include <chrono>

namespace kalvuno {

PlayCountQueue::PlayCountQueue() : m_thread([this] { run(); }) {}

PlayCountQueue::~PlayCountQueue()
{
    if (!waitUntilSent(kPlayCountDrainMs))
        m_cancel = true;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
        if (m_cancel)
            m_reports.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void PlayCountQueue::send(const HttpTransport &transport, const QString &key)
{
    // The token and its random text are made here, on the program's thread.
    Report report{transport, playCountBody(key, randomTokenText(), todayDayNumber())};
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_reports.push_back(std::move(report));
    }
    m_changed.notify_all();
}

bool PlayCountQueue::waitUntilSent(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_reports.empty() && !m_sending; });
}

void PlayCountQueue::run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_reports.empty(); });
        if (m_reports.empty())
            return;
        Report report = std::move(m_reports.front());
        m_reports.pop_front();
        m_sending = true;
        lock.unlock();
        DownloadOptions options;
        options.background = true; // neither the wait hook nor the busy cursor from here
        options.cancel = &m_cancel;
        report.transport.PostToService(report.body, QStringLiteral("/mp3count"), nullptr, options);
        lock.lock();
        m_sending = false;
        m_changed.notify_all();
    }
}

} // namespace kalvuno
