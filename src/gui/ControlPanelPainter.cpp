#include "ControlPanelPainter.h"

#include "Widgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

using namespace kalvuno;

namespace {

// The widgets' places and sizes on the panel.
struct ButtonFace
{
    int size, left, top;
};
constexpr ButtonFace kFaces[kControlButtonCount] = {
    {24, 6, 63}, {24, 30, 63}, {41, 55, 46}, {29, 95, 58}, {24, 125, 63}, {24, 149, 63},
};
constexpr int kPauseIcon = 6;
constexpr int kHighlightIcons = 7;

void copyRows(const TFDIB &from, TFDIB &to)
{
    const int w = std::min(from.Width(), to.Width());
    for (int y = 0; y < std::min(from.Height(), to.Height()); ++y)
        std::copy(from.row(y), from.row(y) + w, to.row(y));
}

} // namespace

// The elapsed time starts at 88 and must end before the "/" at 125.
ControlPanelPainter::ControlPanelPainter() : m_font(panelTimeFont(36)), m_ascent(QFontMetrics(m_font).ascent()) {}

void ControlPanelPainter::build(int width, int height, const PanelColours &colours)
{
    const uint32_t f = colours.face;
    m_pressed = TGUIDIB(width, height);
    m_pressed.NoiseGradient(0, 0, width, height, ScalePixel(f, 1.05f), ScalePixel(f, 0.95f), ScalePixel(f, 0.21f),
                            ScalePixel(f, 0.19f));
    m_pressed.BevelFrame(colours.light, colours.shadow);

    // Tall enough for the label's whole text cell, so that no face has its letters cut off.
    TGUIDIB label(width, 6 + 2 * 9);
    label.font() = panelFont(); // the label's size is its own; the face is the panel's
    label.AddTextAlpha(8, 6, QStringLiteral("Control"), 9, 4, 0);
    label.FillRGB(colours.ink);
    label.BlendOnto(m_pressed, 0, 0);
    TDisplay(90, 15, 0x001860, 0x001040, 0x000000, 0x002080).BlendOnto(m_pressed, 83, 8);
    TSliderLane(153, 3, 0x606060, 0xE0E0E0).BlendOnto(m_pressed, 13, 34);

    m_normal = TGUIDIB(width, height);
    copyRows(m_pressed, m_normal);
    for (const ButtonFace &b : kFaces) {
        TGUIButtonC(b.size, b.size, f, 0, true, QString(), 10, -8, -1).BlendOnto(m_pressed, b.left, b.top);
        TGUIButtonC(b.size, b.size, f, 0, false, QString(), 10, -8, -1).BlendOnto(m_normal, b.left, b.top);
    }
    m_icons = ButtonIcons(colours.ink, colours.darkFace());
    m_frame = TGUIDIB(width, height);
    m_built = true;
}

void ControlPanelPainter::copySquare(int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_frame.Width());
    bottom = std::min(bottom, m_frame.Height());
    for (int y = top; y < bottom; ++y)
        std::copy(m_pressed.row(y) + left, m_pressed.row(y) + right, m_frame.row(y) + left);
}

void ControlPanelPainter::writeText(QPainter &painter, int x, int y, const QString &text) const
{
    painter.drawText(x, y + m_ascent, text);
}

const TGUIDIB &ControlPanelPainter::paint(const ControlPanelView &view)
{
    if (!m_built)
        return m_frame;
    copyRows(m_normal, m_frame);
    for (int i = 0; i < kControlButtonCount; ++i) {
        const ControlButton &b = kControlButtons[size_t(i)];
        int offset = 0;
        if (view.pressed[size_t(i)]) {
            copySquare(b.centreX() - b.radius, b.centreY() - b.radius, b.centreX() + b.radius, b.centreY() + b.radius);
            offset = 1;
        }
        int icon = i;
        int x = b.iconX;
        if (i == kPlay && view.pauseIcon) {
            icon = kPauseIcon;
            --x;
        }
        if (view.hover == i)
            icon += kHighlightIcons;
        m_icons.control(icon).BlendOnto(m_frame, x + offset, b.iconY + offset);
    }
    if (view.thumb)
        m_thumb.BlendOnto(m_frame, view.thumbLeft, kThumbTop);
    if (view.times) {
        QPainter painter(&m_frame.image());
        painter.setFont(m_font);
        painter.setPen(colourFromToolkit(kPanelTextToolkitColour));
        writeText(painter, 88, 10, view.elapsed());
        writeText(painter, 125, 10, QStringLiteral("/"));
        writeText(painter, 135, 10, view.total());
    }
    return m_frame;
}
