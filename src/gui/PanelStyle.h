#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <cmath>
#include <cstdint>

class QPalette;

// What both painted panels take from the desktop: the button face, light and
// shadow colours as surface pixels, and the font of their texts.
struct PanelColours
{
    uint32_t face = 0;   // F
    uint32_t light = 0;  // Hl
    uint32_t shadow = 0; // Sh
    // The labels and the icons' silhouettes: black on the usual light face,
    // the theme's light button text on a dark one, where black would vanish.
    uint32_t ink = 0;
    bool darkFace() const { return ink != 0; }

    static PanelColours fromPalette(const QPalette &palette);
};

// The toolkit colour (0x00BBGGRR) of a Qt colour, the form ColorToPixel takes.
uint32_t toolkitColour(const QColor &colour);
// A surface colour (0x00RRGGBB) that the panels hand to the painter as a
// toolkit colour: its bytes are read the other way round.
QColor colourFromToolkit(uint32_t toolkit);

// The panels' texts: light blue, "Arial" at 12 pixels (the size for a
// Japanese interface). Where Arial is missing, a face with its widths, else a
// narrow one: the boxes were laid out for Arial's narrow digits.
QFont panelFont();
// The panel font, smaller where needed so that a time ("0:00:00") fits in
// maxWidth pixels: a time must never run into the "/" or out of its box.
QFont panelTimeFont(int maxWidth);
inline constexpr uint32_t kPanelTextToolkitColour = 16760960; // 0xFFC080

// The panel pixel under a pointer position (fractional on scaled screens).
inline QPoint panelPixel(const QPointF &position)
{
    return {int(std::floor(position.x())), int(std::floor(position.y()))};
}
