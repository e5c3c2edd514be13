#include "BootClock.h"

#include <time.h>

namespace kalvuno {

uint32_t BootClock::milliseconds() const
{
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

} // namespace kalvuno
