#include "WindowPlacement.h"

namespace kalvuno {

PlacementAction decidePlacement(const SavedBounds &saved, const QSize &screen, const QRect &workArea)
{
    if (saved.width >= workArea.width() && saved.height >= workArea.height())
        return PlacementAction::Maximize;
    // 64-bit sums: the saved values come from a file and may be anything.
    const long long left = saved.left;
    const long long top = saved.top;
    const bool onScreen = screen.width() - workArea.left() >= left && screen.height() - workArea.top() >= top
        && workArea.left() <= left + saved.width && workArea.top() <= top + saved.height;
    return onScreen ? PlacementAction::Apply : PlacementAction::Keep;
}

} // namespace kalvuno
