#include "Widgets.h"

#include <cmath>

TDisplay::TDisplay(int width, int height, uint32_t centreColor, uint32_t outerColor, uint32_t lightColor,
                   uint32_t darkColor)
    : TGUIDIB(width, height)
{
    MakeOpaque();
    // The glow sits a third in from the top-left corner.
    RadialGradient(centreColor, outerColor, float(width / 3.0L), float(height / 3.0L), float((width + height) / 2));
    BevelFrame(lightColor, darkColor);
}

TSliderLane::TSliderLane(int width, int height, uint32_t lightColor, uint32_t darkColor) : TGUIDIB(width, height)
{
    FillRGB(0);
    MakeOpaque();
    BevelFrame(lightColor, darkColor);
}

TGUIButtonC::TGUIButtonC(int width, int height, uint32_t color, uint32_t textColor, bool pressed,
                         const QString &caption, int cellSize, int textDX, int textDY)
    : TGUIDIB(width, height)
{
    {
        TGUIDIB bezel(width, height);
        bezel.AddCentredDiscAlpha(2.0f);
        bezel.LinearGradient(0, 0, width, height, 0xC0C0C0, 0x808080);
        bezel.BlendOnto(*this, 0, 0);
    }
    {
        // A black ring inside the grey bezel.
        TGUIDIB rim(width - 2, height - 2);
        rim.AddCentredDiscAlpha(1.0f);
        rim.FillRGB(0);
        rim.BlendOnto(*this, 1, 1);
    }
    {
        const int w = width - 4;
        const int h = height - 4;
        TGUIDIB face(w, h);
        face.AddCentredDiscAlpha(1.0f);
        const float r = float(std::sqrt(static_cast<long double>((w - 4) * (w - 4) + (h - 4) * (h - 4))));
        if (pressed) // plain in the middle, brighter towards the rim: pushed in
            face.RadialGradient(ScalePixel(color, 1.0f), ScalePixel(color, 1.3f), float(w / 2), float(h / 2), r);
        else // a highlight up left, darker down right: domed
            face.RadialGradient(ScalePixel(color, 1.3f), ScalePixel(color, 0.7f), float(w / 3), float(h / 3), r);
        face.BlendOnto(*this, 2, 2);
    }
    {
        TGUIDIB text(width, height);
        text.AddTextAlpha(width / 2 + textDX, height / 2 - 5 + textDY, caption, cellSize, 4, 2);
        text.FillRGB(textColor);
        text.BlendOnto(*this, 0, 0);
    }
}
