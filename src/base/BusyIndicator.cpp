#include "BusyIndicator.h"

namespace kalvuno {

namespace {
std::function<void()> g_begin;
std::function<void()> g_end;
} // namespace

BusyScope::BusyScope()
{
    if (g_begin)
        g_begin();
}

BusyScope::~BusyScope()
{
    if (g_end)
        g_end();
}

void BusyScope::setHooks(std::function<void()> begin, std::function<void()> end)
{
    g_begin = std::move(begin);
    g_end = std::move(end);
}

} // namespace kalvuno
