// The main() of a benchmark that builds the main window: an offscreen QApplication around the runs.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

inline int RunWindowBenchmarks(int& argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
