#pragma once

#include "GuiSurface.h"

// The 13 x 13 thumb of the position slider: a raised knob with a round hollow.
class TFaderTV : public TGUIDIB
{
public:
    TFaderTV();
};
