#pragma once

#include "ButtonIcons.h"
#include "PanelStyle.h"
#include "RankChart.h"

#include <QFont>
#include <QString>
#include <array>

class QPainter;

// What the information panel shows.
struct InformationPanelView
{
    std::array<QString, 4> values; // artist, title, genre, count: already cut to their boxes
    int homeIcon = 3;
    bool homePressed = false;
    kalvuno::RankChart chart;
};

// The information panel's pixels: the background (heading, labels, boxes,
// the Home button up) and a strip with the button pushed in are rendered
// once; paint() copies them and writes the texts and the rank chart.
class InformationPanelPainter
{
public:
    InformationPanelPainter();

    void build(int width, int height, const PanelColours &colours);
    bool built() const { return m_built; }
    int width() const { return m_base.Width(); }
    int height() const { return m_base.Height(); }

    // A value cut, if it is too wide for its box, to fit with "...".
    QString fitted(const QString &text) const;

    const TGUIDIB &paint(const InformationPanelView &view);

private:
    void paintChart(QPainter &painter, const kalvuno::RankChart &chart) const;

    bool m_built = false;
    TGUIDIB m_base{0, 0};
    TGUIDIB m_strip{0, 0};
    TGUIDIB m_frame{0, 0};
    ButtonIcons m_icons;
    QFont m_font;
};
