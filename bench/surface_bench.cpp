// The panels' drawing: building every widget and both backgrounds once, and
// the work of one repaint of the control panel (20 a second while playing).
#include "Widgets.h"
#include "FaderWidget.h"

#include <QGuiApplication>
#include "GuiBenchMain.h"

#include <benchmark/benchmark.h>

namespace {

constexpr uint32_t kFace = 0xEFEFEF;

TGUIDIB background(int w, int h, const QString &text)
{
    TGUIDIB panel(w, h);
    panel.MakeOpaque();
    panel.NoiseGradient(0, 0, 0, h, 0x303848, 0x101418, 0x101010, 0x080808);
    TGUIDIB label(w, h);
    label.AddTextAlpha(4, 2, text, 7, 4, 2);
    label.FillRGB(0xC0D0FF);
    label.BlendOnto(panel, 0, 0);
    return panel;
}

void BM_BuildControlPanel(benchmark::State &state)
{
    for (auto _ : state) {
        TGUIDIB panel = background(181, 94, QStringLiteral("Kalvuno"));
        int x = 4;
        for (int size : {41, 29, 24, 24, 24, 24}) {
            for (bool pressed : {false, true}) {
                const TGUIButtonC button(size, size, kFace, 0, pressed, QString(), 10, -8, -1);
                if (!pressed)
                    button.BlendOnto(panel, x, 50);
            }
            x += size + 2;
        }
        TSliderLane(153, 3, 0x606060, 0xE0E0E0).BlendOnto(panel, 14, 36);
        TFaderTV().BlendOnto(panel, 20, 31);
        benchmark::DoNotOptimize(panel.row(0));
    }
}
BENCHMARK(BM_BuildControlPanel)->Unit(benchmark::kMillisecond);

void BM_BuildInformationPanel(benchmark::State &state)
{
    for (auto _ : state) {
        TGUIDIB panel = background(181, 185, QStringLiteral("アーティスト 曲名 ジャンル"));
        for (int i = 0; i < 4; ++i)
            TDisplay(128, 15, 0x001860, 0x001040, 0x000000, 0x002080).BlendOnto(panel, 48, 20 + i * 20);
        TDisplay(128, 63, 0x001860, 0x001040, 0x000000, 0x002080).BlendOnto(panel, 48, 110);
        TGUIButtonC(25, 25, kFace, 0, false, QString(), 10, -8, -1).BlendOnto(panel, 10, 110);
        benchmark::DoNotOptimize(panel.row(0));
    }
}
BENCHMARK(BM_BuildInformationPanel)->Unit(benchmark::kMillisecond);

void BM_Repaint(benchmark::State &state)
{
    const TGUIDIB base = background(181, 94, QStringLiteral("Kalvuno"));
    const TFaderTV thumb;
    int x = 0;
    for (auto _ : state) {
        TGUIDIB frame = base; // the copy the repaint starts from
        thumb.BlendOnto(frame, 14 + x, 31);
        x = (x + 1) % 140;
        benchmark::DoNotOptimize(frame.row(0));
    }
}
BENCHMARK(BM_Repaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return runBenchmarksWithGui(argc, argv); }
