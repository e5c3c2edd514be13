#pragma once

#include "ControlPanelRules.h"

#include <QString>
#include <array>
#include <cstdint>

namespace kalvuno {

// Everything the control panel shows, so that a repaint happens only when
// one of these changed (a tick that moves the thumb by less than a pixel
// and leaves the times alone draws nothing).
struct ControlPanelView
{
    std::array<bool, kControlButtonCount> pressed{};
    int hover = -1;
    bool pauseIcon = false; // the player is playing: the play button offers pause
    bool thumb = false;     // the player is open (playing or paused)
    int thumbLeft = 0;
    bool times = false; // a player exists
    int64_t elapsedSeconds = 0;
    int64_t totalSeconds = 0;

    // The times as the panel writes them; made only for painting, as the
    // view is compared on every tick.
    QString elapsed() const;
    QString total() const;

    bool operator==(const ControlPanelView &) const = default;
};

ControlPanelView controlPanelView(const ControlPanelRules &rules);

// Whole seconds as hours, minutes and seconds: "0:03:07", "25:00:00".
QString panelTime(int64_t seconds);

} // namespace kalvuno
