#pragma once

#include "PixelSurface.h"

#include <QRect>
#include <QString>

// A surface with the drawing primitives the panels are built from. Every
// primitive works in place; the colour ones keep alpha, the mask ones keep colour.
class TGUIDIB : public TFDIB
{
public:
    using TFDIB::TFDIB;

    // Adds a disc with a soft edge of `feather` pixels to the alpha mask.
    void AddDiscAlpha(float cx, float cy, float radius, float feather);
    // The same for the disc inscribed in the surface.
    void AddCentredDiscAlpha(float feather);
    void MakeOpaque(const QRect &rect);
    void MakeOpaque();
    // Adds text to the alpha mask: each character gets cellSize pixels of
    // width; drawn oversampled and averaged, `spread` widens the average into a glow.
    void AddTextAlpha(int x, int y, const QString &text, int cellSize, int oversample, int spread);
    void FillRGB(uint32_t color);
    void LinearGradient(int x1, int y1, int x2, int y2, uint32_t c1, uint32_t c2);
    void NoiseGradient(int x1, int y1, int x2, int y2, uint32_t c1, uint32_t c2, uint32_t noise1, uint32_t noise2);
    void RadialGradient(uint32_t c1, uint32_t c2, float cx, float cy, float radius);
    // Light top row and left column, dark bottom row and right column, opaque.
    void BevelFrame(uint32_t light, uint32_t dark);

private:
    template <class ColourAt> void paintGradient(int x1, int y1, int x2, int y2, ColourAt colourAt);
};
