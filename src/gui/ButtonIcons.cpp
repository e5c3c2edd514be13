#include "ButtonIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// The highlight colours of previous, rewind, play, stop, fast forward, next and pause.
constexpr QRgb kHighlight[] = {0x800000, 0x800080, 0x0000FF, 0x008080, 0x008000, 0x808000, 0x0000FF};
constexpr QRgb kDarkRoof = 0x800000;
constexpr QRgb kBrightRoof = 0xFF0000;

QPolygonF triangle(QPointF a, QPointF b, QPointF c) { return QPolygonF({a, b, c}); }

// The shape of a control icon, on a grid of pixel edges. The pieces stay on
// whole pixels where they are straight, so that they are sharp at 16 px.
QPainterPath controlShape(int icon)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    switch (icon) {
    case 0: // previous: a bar and two triangles pointing left
        path.addRect(2, 4, 2, 8);
        path.addPolygon(triangle({4, 8}, {9, 3.5}, {9, 12.5}));
        path.addPolygon(triangle({9, 8}, {14, 3.5}, {14, 12.5}));
        break;
    case 1: // rewind
        path.addPolygon(triangle({1.5, 8}, {8, 3}, {8, 13}));
        path.addPolygon(triangle({8, 8}, {14.5, 3}, {14.5, 13}));
        break;
    case 2: // play
        path.addPolygon(triangle({5, 2.5}, {5, 13.5}, {13, 8}));
        break;
    case 3: // stop
        path.addRect(4, 4, 8, 8);
        break;
    case 4: // fast forward
        path.addPolygon(triangle({1.5, 3}, {1.5, 13}, {8, 8}));
        path.addPolygon(triangle({8, 3}, {8, 13}, {14.5, 8}));
        break;
    case 5: // next: two triangles pointing right and a bar
        path.addPolygon(triangle({2, 3.5}, {2, 12.5}, {7, 8}));
        path.addPolygon(triangle({7, 3.5}, {7, 12.5}, {12, 8}));
        path.addRect(12, 4, 2, 8);
        break;
    default: // pause
        path.addRect(4, 3, 3, 10);
        path.addRect(9, 3, 3, 10);
        break;
    }
    return path;
}

TGUIDIB toSurface(const QImage &image)
{
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    TGUIDIB surface(straight.width(), straight.height());
    for (int y = 0; y < straight.height(); ++y) {
        const auto *from = reinterpret_cast<const uint32_t *>(straight.constScanLine(y));
        std::copy(from, from + straight.width(), surface.row(y));
    }
    return surface;
}

QImage blankIcon()
{
    QImage image(ButtonIcons::kSize, ButtonIcons::kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

TGUIDIB controlIcon(int icon, QColor colour)
{
    QImage image = blankIcon();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(controlShape(icon), colour);
    painter.end();
    return toSurface(image);
}

// A small house: a roof with a chimney over a walled body with a door. Without
// a home page only its grey outline shows.
TGUIDIB houseIcon(int look)
{
    const bool enabled = look != 0;
    QImage image = blankIcon();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor line = enabled ? QColor(0x20, 0x20, 0x20) : QColor(0x80, 0x80, 0x80);
    painter.setPen(QPen(line, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const auto fill = [&](QColor colour) { painter.setBrush(enabled ? QBrush(colour) : QBrush(Qt::NoBrush)); };

    fill(QColor(0xF4, 0xF0, 0xE8));
    painter.drawRect(QRectF(3.5, 8.5, 9, 6)); // walls
    painter.drawRect(QRectF(11.5, 2.5, 2, 4)); // chimney
    fill(QColor(QRgb(look == 1 ? kDarkRoof : kBrightRoof)));
    painter.drawPolygon(QPolygonF({{0.5, 8.5}, {8, 1.5}, {15.5, 8.5}}));
    fill(QColor(0x60, 0x40, 0x20));
    painter.drawRect(QRectF(6.5, 10.5, 3, 4)); // door
    painter.end();
    return toSurface(image);
}

} // namespace

ButtonIcons::ButtonIcons(uint32_t ink, bool darkButtons)
{
    m_control.reserve(kControlIcons);
    for (int i = 0; i < kControlIcons; ++i) {
        const QColor highlight = i < 7 ? QColor() : QColor(kHighlight[i - 7]);
        const QColor colour = i < 7 ? QColor(QRgb(ink)) : darkButtons ? highlight.lighter(190) : highlight;
        m_control.push_back(controlIcon(i % 7, colour));
    }
    m_home.reserve(kHomeIcons);
    for (int i = 0; i < kHomeIcons; ++i)
        m_home.push_back(houseIcon(i / 4));
}
