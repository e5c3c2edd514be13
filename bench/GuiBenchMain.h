#pragma once

// Benchmarks that draw text or build widgets need a GUI application; no
// window is shown, so the offscreen platform does.
#include <QApplication>
#include <benchmark/benchmark.h>

inline int runBenchmarksWithGui(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
