#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace kalvuno {

// Lets any thread ask for a run of `work` on the thread of `target` now
// instead of at its next timer tick. Rings before the run fold into one;
// after detach() (the target is going away) a ring does nothing.
class TickDoorbell : public std::enable_shared_from_this<TickDoorbell>
{
public:
    TickDoorbell(QObject *target, std::function<void()> work) : m_target(target), m_work(std::move(work)) {}

    void ring()
    {
        if (m_queued.exchange(true))
            return;
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_target)
            return;
        // The call holds the bell, and Qt drops it with its target.
        QMetaObject::invokeMethod(
            m_target,
            [bell = shared_from_this()] {
                bell->m_queued = false;
                bell->m_work();
            },
            Qt::QueuedConnection);
    }

    void detach()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_target = nullptr;
    }

private:
    std::mutex m_lock;
    QObject *m_target; // guarded by m_lock
    const std::function<void()> m_work;
    std::atomic<bool> m_queued{false};
};

} // namespace kalvuno
