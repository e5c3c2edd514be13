#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace kalvuno::server {

// The HTTP server's workers. Every connection holds a worker for as long as
// it stays open, so a fixed small pool lets a handful of idle or slow clients
// starve everyone else. This pool starts a new worker whenever none is free
// (up to a generous cap) and lets a worker go after it has been idle a while.
class WorkerPool : public httplib::TaskQueue
{
public:
    WorkerPool(size_t minWorkers, size_t maxWorkers);
    ~WorkerPool() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

private:
    void work();

    const size_t m_minWorkers;
    const size_t m_maxWorkers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_gone;
    std::deque<std::function<void()>> m_jobs;
    size_t m_workers = 0;
    size_t m_idle = 0;
    bool m_shutdown = false;
};

} // namespace kalvuno::server
