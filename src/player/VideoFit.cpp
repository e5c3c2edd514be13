#include "VideoFit.h"

#include "Rounding.h"

using kalvuno::roundHalfEven;

// The aspects are stored as 32-bit floats; the arithmetic around them is
// done in the widest type at hand, as the expression evaluation would.
QRect fitVideo(int w, int h, int cw, int ch)
{
    if (w <= 0 || h <= 0 || cw <= 0 || ch <= 0)
        return {};
    const float videoAspect = float(w) / float(h);
    const float windowAspect = float(cw) / float(ch);
    if (videoAspect > windowAspect) {
        const int top = int(roundHalfEven((ch - cw / static_cast<long double>(videoAspect)) / 2));
        return QRect(0, top, cw, ch - 2 * top);
    }
    const int left = int(roundHalfEven((cw - ch * static_cast<long double>(videoAspect)) / 2));
    return QRect(left, 0, cw - 2 * left, ch);
}
