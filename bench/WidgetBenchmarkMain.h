#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// Runs the registered benchmarks inside an application object of type App, on the offscreen
// platform unless the environment asks for another one. A benchmark program's main() returns
// what this returns.
template <typename App> int runBenchmarksIn(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

inline int runWidgetBenchmarks(int argc, char** argv)
{
    return runBenchmarksIn<QApplication>(argc, argv);
}
