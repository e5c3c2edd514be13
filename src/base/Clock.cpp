#include "Clock.h"

#include <chrono>

namespace kalvuno {

uint32_t SystemClock::milliseconds() const
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

} // namespace kalvuno
