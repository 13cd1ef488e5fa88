#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace velmaris::bench {

// Delivers events, timers and background results for a while, as an idle window would.
inline void settleEvents(int milliseconds = 300)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
}

// The median, 99th percentile and longest of per-event times (milliseconds) as counters.
inline void reportEventTimes(benchmark::State& state, std::vector<double> times, const std::string& prefix = "")
{
    std::sort(times.begin(), times.end());
    auto at = [&](double fraction) { return times[std::min(times.size() - 1, size_t(fraction * times.size()))]; };
    state.counters[prefix + "p50_ms"] = at(0.5);
    state.counters[prefix + "p99_ms"] = at(0.99);
    state.counters[prefix + "max_ms"] = times.back();
}

}  // namespace velmaris::bench
