#include "BusyIndicator.h"

#include <atomic>

namespace kalvuno {

namespace {
std::function<void()> g_begin;
std::function<void()> g_end;
std::atomic<int> g_alive{0};
} // namespace

BusyScope::BusyScope()
{
    ++g_alive;
    if (g_begin)
        g_begin();
}

BusyScope::~BusyScope()
{
    if (g_end)
        g_end();
    --g_alive;
}

void BusyScope::setHooks(std::function<void()> begin, std::function<void()> end)
{
    g_begin = std::move(begin);
    g_end = std::move(end);
}

bool BusyScope::active() { return g_alive > 0; }

} // namespace kalvuno
