#pragma once

#include <QRect>

// Where a w x h video goes in a cw x ch client area: centred and as large as
// it fits with its aspect kept. Aspects are 32-bit floats and the offsets are
// rounded half to even. An empty rectangle when any size is not positive.
QRect fitVideo(int w, int h, int cw, int ch);
