// The panels' drawing: building both panels' backgrounds once (at the
// window's first show), and the work of one repaint of each; the control
// panel repaints up to 20 times a second while playing.
#include "ControlPanelPainter.h"
#include "InformationPanelPainter.h"

#include <QGuiApplication>
#include <QPainter>
#include "GuiBenchMain.h"

#include <benchmark/benchmark.h>

namespace {

const PanelColours kColours{0xEFEFEF, 0xFFFFFF, 0xA0A0A0};

void BM_BuildControlPanel(benchmark::State &state)
{
    for (auto _ : state) {
        ControlPanelPainter painter;
        painter.build(181, 94, kColours);
        benchmark::DoNotOptimize(painter.frame().row(0));
    }
}
BENCHMARK(BM_BuildControlPanel)->Unit(benchmark::kMillisecond);

void BM_BuildInformationPanel(benchmark::State &state)
{
    for (auto _ : state) {
        InformationPanelPainter painter;
        painter.build(181, 185, kColours);
        benchmark::DoNotOptimize(painter.built());
    }
}
BENCHMARK(BM_BuildInformationPanel)->Unit(benchmark::kMillisecond);

// One control-panel repaint with everything it can draw: the copy of the
// background, two pushed-in squares, the six icons (one highlighted, the
// pause icon), the thumb at a new place each time, both times, and the copy
// of the result onto a window-sized image as the widget's paint does.
void BM_ControlPanelRepaint(benchmark::State &state)
{
    QImage window(181, 94, QImage::Format_ARGB32_Premultiplied);
    ControlPanelPainter painter;
    painter.build(181, 94, kColours);
    kalvuno::ControlPanelView view;
    view.pressed[1] = view.pressed[4] = true;
    view.hover = 4;
    view.pauseIcon = view.thumb = view.times = true;
    view.totalSeconds = 4 * 60 + 12;
    int x = 0;
    for (auto _ : state) {
        view.thumbLeft = 9 + x;
        view.elapsedSeconds = x;
        x = (x + 1) % 150;
        QPainter onWindow(&window);
        painter.paint(view).drawOn(onWindow, 0, 0);
        onWindow.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}
BENCHMARK(BM_ControlPanelRepaint)->Unit(benchmark::kMicrosecond);

void BM_InformationPanelRepaint(benchmark::State &state)
{
    InformationPanelPainter painter;
    painter.build(181, 185, kColours);
    InformationPanelView view;
    view.values = {painter.fitted(QStringLiteral("山田花子")),
                   painter.fitted(QStringLiteral("とても長い曲のタイトルがここに入ります")),
                   painter.fitted(QStringLiteral("ポップス")), QStringLiteral("12")};
    view.homeIcon = 7;
    view.chart = kalvuno::RankChart::read(u"0103FF0A02");
    for (auto _ : state)
        benchmark::DoNotOptimize(painter.paint(view).row(0));
}
BENCHMARK(BM_InformationPanelRepaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return runBenchmarksWithGui(argc, argv); }
