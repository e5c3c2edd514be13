#include "ControlPanelRules.h"

#include "Rounding.h"
#include "TPlay.h"

#include <algorithm>

namespace kalvuno {

namespace {

bool isHoldButton(int button) { return button == kRewind || button == kFastForward; }

float clampedPosition(long double p) { return float(std::clamp<long double>(p, 0, 1)); }

} // namespace

void ControlPanelHost::sendCommand(TPlay &player, const QString &command) { player.addCommand(command); }

ControlPanelRules::ControlPanelRules(ControlPanelHost &host) : m_host(host) {}

std::shared_ptr<TPlay> ControlPanelRules::player() const { return m_host.player(); }

int ControlPanelRules::buttonAt(int x, int y)
{
    for (int i = kControlButtonCount - 1; i >= 0; --i)
        if (insideButton(i, x, y))
            return i;
    return -1;
}

bool ControlPanelRules::insideButton(int button, int x, int y)
{
    if (button < 0 || button >= kControlButtonCount)
        return false;
    const ControlButton &b = kControlButtons[size_t(button)];
    const long long dx = static_cast<long long>(x) - b.centreX();
    const long long dy = static_cast<long long>(y) - b.centreY();
    return dx * dx + dy * dy < static_cast<long long>(b.radius) * b.radius;
}

int ControlPanelRules::thumbLeft(float position)
{
    return int(roundHalfEven(static_cast<long double>(position) * kThumbTravel)) + kThumbOffset;
}

bool ControlPanelRules::onThumb(int x, int y, float position)
{
    const int left = thumbLeft(position);
    return x >= left && x <= left + kThumbSize && y >= kThumbTop && y <= kThumbTop + kThumbSize;
}

bool ControlPanelRules::mouseMove(int x, int y)
{
    switch (m_mode) {
    case Idle: {
        const int h = buttonAt(x, y);
        if (h == m_hover)
            return false;
        m_hover = h;
        return true;
    }
    case ButtonHeld: {
        const bool inside = insideButton(m_hover, x, y);
        if (inside == m_pressed[size_t(m_hover)])
            return false;
        m_pressed[size_t(m_hover)] = inside;
        return true;
    }
    default: {
        // The pointer holds the thumb by its middle.
        const float p = clampedPosition((x - kThumbOffset - kThumbSize / 2.0L) / kThumbTravel);
        if (p == m_position)
            return false;
        m_position = p;
        return true;
    }
    }
}

bool ControlPanelRules::mouseDown(bool leftButton, int x, int y)
{
    if (!leftButton || m_mode != Idle)
        return false;
    // The press counts where it happens, even without a move to it first.
    const bool hoverChanged = mouseMove(x, y);
    const std::shared_ptr<TPlay> current = m_host.player();
    m_wasPlaying = false;
    if (m_hover >= 0) {
        m_mode = ButtonHeld;
        m_pressed[size_t(m_hover)] = true;
        m_pressPlayer = current;
        if (current && isHoldButton(m_hover) && current->State == 1) {
            m_wasPlaying = true;
            m_host.PausePlayback();
        }
        return true;
    }
    // The thumb is only there to take while the player is open.
    const int state = current ? current->State.load() : 0;
    if ((state == 1 || state == 2) && onThumb(x, y, m_position)) {
        m_mode = ThumbDragged;
        m_pressPlayer = current;
        m_positionAtPress = m_position;
        if (state == 1) {
            m_wasPlaying = true;
            m_host.PausePlayback();
        }
        return true;
    }
    return hoverChanged;
}

bool ControlPanelRules::mouseUp(bool leftButton, int x, int y)
{
    if (!leftButton || m_mode == Idle)
        return false;
    if (m_mode == ButtonHeld) {
        mouseMove(x, y); // released where the pointer is now
        const int button = m_hover;
        if (m_pressed[size_t(button)]) {
            m_pressed[size_t(button)] = false;
            release(button);
        }
    } else {
        seekAndResume(true);
    }
    m_mode = Idle;
    m_pressPlayer.reset();
    m_hover = buttonAt(x, y);
    return true;
}

void ControlPanelRules::release(int button)
{
    switch (button) {
    case kPrevious:
        m_host.stepSelection(-1);
        break;
    case kNext:
        m_host.stepSelection(+1);
        break;
    case kPlay:
        m_host.playOrPause();
        break;
    case kStop:
        m_host.StopPlayback();
        break;
    default: { // rewind, fast forward: jump to where the thumb was taken
        const std::shared_ptr<TPlay> target = m_pressPlayer.lock();
        if (!target)
            break;
        // The press's own Pause may still be queued: it was playing then.
        const int state = target->State;
        if (state == 2 || (state == 1 && m_wasPlaying))
            seekAndResume(true);
        break;
    }
    }
}

void ControlPanelRules::seekAndResume(bool seek)
{
    const std::shared_ptr<TPlay> target = m_pressPlayer.lock();
    if (!target || target != m_host.player())
        return;
    if (seek)
        m_host.sendCommand(*target, TPlay::seekCommand(m_position));
    if (m_wasPlaying)
        m_host.sendCommand(*target, QStringLiteral("Resume"));
}

bool ControlPanelRules::releaseLost()
{
    if (m_mode == Idle)
        return false;
    if (m_mode == ButtonHeld) {
        m_pressed[size_t(m_hover)] = false;
    } else {
        m_position = m_positionAtPress;
        seekAndResume(false);
    }
    m_mode = Idle;
    m_pressPlayer.reset();
    return true;
}

bool ControlPanelRules::click(int button)
{
    if (m_mode != Idle || button < 0 || button >= kControlButtonCount)
        return false;
    const int hoverBefore = m_hover;
    const ControlButton &b = kControlButtons[size_t(button)];
    mouseDown(true, b.centreX(), b.centreY());
    mouseUp(true, b.centreX(), b.centreY());
    m_hover = hoverBefore;
    return true;
}

bool ControlPanelRules::tick(bool timed)
{
    const std::shared_ptr<TPlay> current = m_host.player();
    if (!current) {
        if (m_position == 0)
            return false;
        m_position = 0;
        return true;
    }
    const int state = current->State;
    if (state == 1) {
        const float p = float(current->Position.load());
        if (p == m_position)
            return false;
        m_position = p;
        return true;
    }
    if (!timed || state != 2 || m_mode != ButtonHeld || !isHoldButton(m_hover) || !m_pressed[size_t(m_hover)])
        return false;
    // One second of the entry per tick; an entry without a length has no seconds to move by.
    const int64_t length = current->Duration;
    if (length <= 0 || current != m_pressPlayer.lock())
        return false;
    const long double step = static_cast<long double>(kHoldStep) / length;
    const float p = clampedPosition(m_position + (m_hover == kRewind ? -step : step));
    if (p == m_position)
        return false;
    m_position = p;
    return true;
}

} // namespace kalvuno
