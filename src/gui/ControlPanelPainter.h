#pragma once

#include "ButtonIcons.h"
#include "ControlPanelView.h"
#include "FaderWidget.h"
#include "PanelStyle.h"

#include <QFont>

// The control panel's pixels. build() renders the two backgrounds once (all
// buttons up, all buttons pushed in, each with the label, the time box and the
// lane); paint() then only copies, blends the icons and the thumb, and writes
// the times.
class ControlPanelPainter
{
public:
    ControlPanelPainter();

    void build(int width, int height, const PanelColours &colours);
    bool built() const { return m_built; }
    int width() const { return m_normal.Width(); }
    int height() const { return m_normal.Height(); }

    const TGUIDIB &paint(const kalvuno::ControlPanelView &view);
    const TGUIDIB &frame() const { return m_frame; }

private:
    void copySquare(int left, int top, int right, int bottom);
    void writeText(QPainter &painter, int x, int y, const QString &text) const;

    bool m_built = false;
    TGUIDIB m_normal{0, 0};
    TGUIDIB m_pressed{0, 0};
    TGUIDIB m_frame{0, 0};
    TFaderTV m_thumb;
    ButtonIcons m_icons;
    QFont m_font;
    int m_ascent = 0;
};
