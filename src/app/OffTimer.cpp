#include "OffTimer.h"

namespace kalvuno {

void OffTimer::arm(uint32_t lengthMs)
{
    m_deadline = m_clock.milliseconds() + lengthMs;
    m_armed = true;
}

void OffTimer::menuClick(uint32_t tag)
{
    if (tag != 0)
        arm(tag);
    else if (m_armed)
        disarm();
    else
        arm(kOneMinute);
}

bool OffTimer::expire()
{
    if (!m_armed || int32_t(m_deadline - m_clock.milliseconds()) > 0)
        return false;
    m_armed = false;
    return true;
}

QString OffTimer::caption() const
{
    if (!m_armed)
        return QStringLiteral("ON(&O)");
    const uint32_t left = m_deadline - m_clock.milliseconds();
    // Past the deadline (until the tick disarms it) there is no time left to show.
    const uint32_t minutes = int32_t(left) < 0 ? 0 : left / kOneMinute + 1;
    return QStringLiteral("ON - あと") + QString::number(minutes) + QStringLiteral("分(&O)");
}

} // namespace kalvuno
