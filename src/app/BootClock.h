#pragma once

#include "Clock.h"

namespace kalvuno {

// Milliseconds since boot, counting on through suspend, so an off-timer
// armed before a suspend runs out by the wall's time.
class BootClock final : public Clock
{
public:
    uint32_t milliseconds() const override;
};

} // namespace kalvuno
