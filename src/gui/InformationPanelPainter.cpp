#include "InformationPanelPainter.h"

#include "InformationPanelRules.h"
#include "TextFit.h"
#include "Widgets.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

using namespace kalvuno;

namespace {

constexpr int kStripRows = 32;
const char *const kLabels[] = {"Artist:", "Title:", "Genre:", "Count:", "Rank:"};

int labelY(int i) { return 32 + 21 * i; }

void copyRows(const TFDIB &from, TFDIB &to, int rows)
{
    const int w = std::min(from.Width(), to.Width());
    for (int y = 0; y < std::min({rows, from.Height(), to.Height()}); ++y)
        std::copy(from.row(y), from.row(y) + w, to.row(y));
}

TDisplay valueBox(int height) { return TDisplay(128, height, 0x001860, 0x001040, 0x000000, 0x002080); }

} // namespace

InformationPanelPainter::InformationPanelPainter() : m_font(panelFont()) {}

void InformationPanelPainter::build(int width, int height, const PanelColours &colours)
{
    const uint32_t f = colours.face;
    m_base = TGUIDIB(width, height);
    m_base.NoiseGradient(0, 0, width, height, ScalePixel(f, 1.05f), ScalePixel(f, 0.95f), ScalePixel(f, 0.21f),
                         ScalePixel(f, 0.19f));
    m_base.BevelFrame(colours.light, colours.shadow);

    // The labels in the panel's narrow face: each must end before its box at 45.
    TGUIDIB text(width, height);
    text.font() = panelFont();
    text.AddTextAlpha(8, 6, QStringLiteral("Information"), 9, 4, 0);
    for (int i = 0; i < 5; ++i)
        text.AddTextAlpha(8, labelY(i), QString::fromLatin1(kLabels[i]), 9, 4, 0);
    text.FillRGB(colours.ink);
    text.BlendOnto(m_base, 0, 0);

    for (int i = 0; i < 4; ++i)
        valueBox(15).BlendOnto(m_base, 45, 31 + 21 * i);
    valueBox(63).BlendOnto(m_base, 45, 115);
    TGUIButtonC(25, 25, f, 0, false, QString(), 10, -8, -1).BlendOnto(m_base, kHomeButtonX, kHomeButtonY);

    m_strip = TGUIDIB(width, kStripRows);
    copyRows(m_base, m_strip, kStripRows);
    TGUIButtonC(25, 25, f, 0, true, QString(), 10, -8, -1).BlendOnto(m_strip, kHomeButtonX, kHomeButtonY);

    m_frame = TGUIDIB(width, height);
    m_built = true;
}

QString InformationPanelPainter::fitted(const QString &text) const
{
    const QFontMetrics metrics(m_font);
    return fitWithEllipsis(text, kValueTextWidth, [&](const QString &s) { return metrics.horizontalAdvance(s); });
}

const TGUIDIB &InformationPanelPainter::paint(const InformationPanelView &view)
{
    if (!m_built)
        return m_frame;
    copyRows(m_base, m_frame, m_base.Height());
    int offset = 0;
    if (view.homePressed) {
        // The button's square, from its pushed-in copy.
        for (int y = kHomeButtonY + 1; y < kHomeButtonY + 25 && y < m_frame.Height(); ++y)
            std::copy(m_strip.row(y) + kHomeButtonX + 1, m_strip.row(y) + std::min(kHomeButtonX + 25, m_frame.Width()),
                      m_frame.row(y) + kHomeButtonX + 1);
        offset = 1;
    }
    m_icons.home(view.homeIcon).BlendOnto(m_frame, kHomeIconX + offset, kHomeIconY + offset);

    QPainter painter(&m_frame.image());
    painter.setFont(m_font);
    painter.setPen(colourFromToolkit(kPanelTextToolkitColour));
    const int ascent = painter.fontMetrics().ascent();
    for (int i = 0; i < 4; ++i)
        painter.drawText(48, 33 + 21 * i + ascent, view.values[size_t(i)]);
    paintChart(painter, view.chart);
    return m_frame;
}

void InformationPanelPainter::paintChart(QPainter &painter, const RankChart &chart) const
{
    if (!chart.drawn())
        return;
    const QFontMetrics metrics = painter.fontMetrics();
    const QColor textColour = colourFromToolkit(kPanelTextToolkitColour);
    const auto scaled = [](float factor) { return colourFromToolkit(ScalePixel(kPanelTextToolkitColour, factor)); };
    for (int k = 0; k < chart.count; ++k) {
        const QString label = chart.label(k);
        painter.setPen(textColour);
        painter.drawText(RankChart::x(k) - metrics.horizontalAdvance(label) / 2 + 1, 120 + metrics.ascent(), label);
        if (chart.lineTo(k)) {
            painter.setPen(QPen(scaled(RankChart::lineFactor(k)), 1));
            painter.drawLine(RankChart::x(k - 1), chart.y(chart.values[size_t(k - 1)].rank), RankChart::x(k),
                             chart.y(chart.values[size_t(k)].rank));
        }
    }
    for (int k = 0; k < chart.count; ++k) {
        if (!chart.values[size_t(k)].valid)
            continue;
        const QColor colour = scaled(RankChart::dotFactor(k));
        painter.setPen(colour);
        painter.setBrush(colour);
        const int x = RankChart::x(k);
        const int y = chart.y(chart.values[size_t(k)].rank);
        painter.drawEllipse(QRect(x - 2, y - 2, 4, 4));
    }
}
