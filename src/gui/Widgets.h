#pragma once

#include "GuiSurface.h"

// Pre-rendered widget images the panels blend onto their backgrounds. Each
// paints itself once, in its constructor.

// A sunken display box.
class TDisplay : public TGUIDIB
{
public:
    TDisplay(int width, int height, uint32_t centreColor, uint32_t outerColor, uint32_t lightColor, uint32_t darkColor);
};

// A flat groove for a slider.
class TSliderLane : public TGUIDIB
{
public:
    TSliderLane(int width, int height, uint32_t lightColor, uint32_t darkColor);
};

// A round push button on a transparent square, up or pushed in.
class TGUIButtonC : public TGUIDIB
{
public:
    TGUIButtonC(int width, int height, uint32_t color, uint32_t textColor, bool pressed, const QString &caption,
                int cellSize, int textDX, int textDY);
};
