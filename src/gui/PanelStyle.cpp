#include "PanelStyle.h"

#include "PixelSurface.h"

#include <QFontMetrics>
#include <QPalette>

uint32_t toolkitColour(const QColor &colour)
{
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}

QColor colourFromToolkit(uint32_t toolkit)
{
    return QColor(toolkit & 0xFF, (toolkit >> 8) & 0xFF, (toolkit >> 16) & 0xFF);
}

PanelColours PanelColours::fromPalette(const QPalette &palette)
{
    const auto pixel = [&](QPalette::ColorRole role) { return ColorToPixel(toolkitColour(palette.color(role))); };
    PanelColours colours{pixel(QPalette::Button), pixel(QPalette::Light), pixel(QPalette::Dark)};
    if (qGray(palette.color(QPalette::Button).rgb()) < 0x80) {
        const QColor text = palette.color(QPalette::ButtonText);
        colours.ink = qGray(text.rgb()) >= 0x80 ? pixel(QPalette::ButtonText) : 0xFFFFFF;
    }
    return colours;
}

QFont panelFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setPixelSize(12);
    return font;
}

QFont panelTimeFont(int maxWidth)
{
    QFont font = panelFont();
    for (int size = 12; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(QStringLiteral("0:00:00")) <= maxWidth)
            break;
    }
    return font;
}
