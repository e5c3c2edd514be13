#include "WorkerPool.h"

#include <chrono>
#include <thread>

namespace kalvuno::server {

namespace {

// A worker beyond the minimum ends after this long without a connection.
constexpr auto kIdleLifetime = std::chrono::seconds(10);

} // namespace

WorkerPool::WorkerPool(size_t minWorkers, size_t maxWorkers)
    : m_minWorkers(minWorkers), m_maxWorkers(std::max(minWorkers, maxWorkers))
{
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::enqueue(std::function<void()> job)
{
    std::unique_lock lock(m_mutex);
    m_jobs.push_back(std::move(job));
    // Queued jobs beyond the idle workers would wait for a connection to end.
    if (m_jobs.size() > m_idle && m_workers < m_maxWorkers) {
        ++m_workers;
        ++m_idle;
        std::thread([this] { work(); }).detach();
    }
    m_wake.notify_one();
}

void WorkerPool::work()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        const bool woken = m_wake.wait_for(lock, kIdleLifetime, [this] { return !m_jobs.empty() || m_shutdown; });
        if (m_jobs.empty() && (m_shutdown || (!woken && m_workers > m_minWorkers)))
            break;
        if (m_jobs.empty())
            continue;
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        --m_idle;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        ++m_idle;
    }
    --m_idle;
    --m_workers;
    m_gone.notify_all();
}

void WorkerPool::shutdown()
{
    std::unique_lock lock(m_mutex);
    m_shutdown = true;
    m_wake.notify_all();
    m_gone.wait(lock, [this] { return m_workers == 0; });
}

} // namespace kalvuno::server
