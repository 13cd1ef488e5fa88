#include "render/BackgroundPriority.h"

#include "render/Parallel.h"

#include <QThreadPool>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velmaris {
namespace {

TEST(BackgroundPriority, BackgroundWorkAndTheWorkersHelpingItRunBelowTheMainThread)
{
#ifndef Q_OS_LINUX
    GTEST_SKIP() << "niceness is read on Linux only";
#endif
    const int normal = currentThreadNiceness();
    std::atomic<int> outer{normal}, leastLowered{100}, bands{0};
    QThreadPool pool;
    startInBackground(
        [&] {
            outer = currentThreadNiceness();
            parallelRows(
                64,
                [&](int, int) {
                    leastLowered = std::min(leastLowered.load(), currentThreadNiceness());
                    ++bands;
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                },
                1);
        },
        &pool);
    pool.waitForDone();
    EXPECT_GT(outer, normal);
    EXPECT_EQ(bands, 64);
    // Every thread that worked on the bands, the pool's and oneTBB's, was lowered.
    EXPECT_GT(leastLowered, normal);
    EXPECT_EQ(currentThreadNiceness(), normal);
}

}  // namespace
}  // namespace velmaris
