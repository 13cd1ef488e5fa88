#pragma once

#include "files/DecodeHelper.h"

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

namespace velmaris::bench {

// Runs the benchmarks inside a Qt application (text layout, event loops and widgets need one) on
// the offscreen platform: no display is needed. The program is its own decode helper.
template <typename Application>
int runInQtApplication(int argc, char** argv)
{
    if (const std::optional<int> helperExit = runDecodeHelperIfAsked(argc, argv))
        return *helperExit;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace velmaris::bench
