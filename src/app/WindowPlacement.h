#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace kalvuno {

enum class PlacementAction {
    Maximize, // the saved size covers the work area: the window was maximised
    Apply,    // the saved bounds are on the screen: use them
    Keep,     // the saved bounds are off the screen: keep what the system chose
};

// The four placement values as read from the settings; any int is possible.
struct SavedBounds
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Decides what to do with the saved window bounds at start-up.
PlacementAction decidePlacement(const SavedBounds &saved, const QSize &screen, const QRect &workArea);

// The saved bounds moved, and shrunk where they are larger, so that the whole
// window lies inside the work area (bounds saved at another scale factor or
// on a larger screen would otherwise come back partly off-screen).
QRect placeInside(const SavedBounds &saved, const QRect &workArea);
// The middle of the saved bounds, within the range of int whatever they hold.
QPoint centreOf(const SavedBounds &saved);

} // namespace kalvuno
