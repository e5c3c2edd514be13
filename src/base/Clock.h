#pragma once

#include <cstdint>

namespace kalvuno {

// A millisecond counter that wraps at 32 bits. Deadlines are computed and
// compared with unsigned arithmetic so the wrap does no harm.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual uint32_t milliseconds() const = 0;
};

// The system's monotonic clock.
class SystemClock final : public Clock
{
public:
    uint32_t milliseconds() const override;
};

// A clock that tests move by hand.
class ManualClock final : public Clock
{
public:
    uint32_t milliseconds() const override { return m_now; }
    void set(uint32_t ms) { m_now = ms; }
    void advance(uint32_t ms) { m_now += ms; }

private:
    uint32_t m_now = 0;
};

} // namespace kalvuno
