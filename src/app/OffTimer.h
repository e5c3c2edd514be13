#pragma once

#include "Clock.h"

#include <QString>
#include <cstdint>

namespace kalvuno {

// The off-timer: stops playback once its length has run out. Armed is kept
// apart from the deadline, since now + length may well be 0 after the
// counter wraps.
class OffTimer
{
public:
    explicit OffTimer(const Clock &clock) : m_clock(clock) {}

    static constexpr uint32_t kOneMinute = 60000;
    static constexpr int kDefaultLength = 1800000;

    void arm(uint32_t lengthMs);
    void disarm() { m_armed = false; }
    bool armed() const { return m_armed; }
    // A length item of the menu: its tag, or 0 for the ON item, which
    // disarms an armed timer and arms an unarmed one for one minute.
    void menuClick(uint32_t tag);
    // True once when the deadline has come; the timer is then disarmed.
    // The signed difference keeps a deadline armed just before the wrap
    // running its full length.
    bool expire();
    // "ON(&O)", or "ON - あと" + the whole minutes left plus one + "分(&O)".
    QString caption() const;
    // A stored length of 0 or less was never set: it runs 30 minutes.
    static uint32_t lengthOrDefault(int storedMs) { return uint32_t(storedMs > 0 ? storedMs : kDefaultLength); }

private:
    const Clock &m_clock;
    bool m_armed = false;
    uint32_t m_deadline = 0;
};

} // namespace kalvuno
