#include "WindowPlacement.h"

#include <algorithm>
#include <climits>

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

QRect placeInside(const SavedBounds &saved, const QRect &workArea)
{
    const int width = std::clamp(saved.width, 1, std::max(1, workArea.width()));
    const int height = std::clamp(saved.height, 1, std::max(1, workArea.height()));
    const int left = std::clamp(saved.left, workArea.left(), workArea.left() + workArea.width() - width);
    const int top = std::clamp(saved.top, workArea.top(), workArea.top() + workArea.height() - height);
    return QRect(left, top, width, height);
}

QPoint centreOf(const SavedBounds &saved)
{
    const auto middle = [](long long start, long long size) {
        return int(std::clamp<long long>(start + size / 2, INT_MIN, INT_MAX));
    };
    return QPoint(middle(saved.left, saved.width), middle(saved.top, saved.height));
}

} // namespace kalvuno
