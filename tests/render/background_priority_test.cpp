#include "render/BackgroundPriority.h"

#include "render/Parallel.h"

#include <QThreadPool>
#include <gtest/gtest.h>

#include <tbb/task_arena.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
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
        BackgroundCores::all, &pool);
    pool.waitForDone();
    EXPECT_GT(outer, normal);
    EXPECT_EQ(bands, 64);
    // Every thread that worked on the bands, the pool's and oneTBB's, was lowered.
    EXPECT_GT(leastLowered, normal);
    EXPECT_EQ(currentThreadNiceness(), normal);
}

TEST(BackgroundPriority, UnattendedWorkLeavesACoreToTheWindow)
{
    const int everyCore = backgroundConcurrency(BackgroundCores::all);
    EXPECT_EQ(backgroundConcurrency(BackgroundCores::allButOne), std::max(1, everyCore - 1));
    std::mutex mutex;
    std::set<std::thread::id> threads;
    std::atomic<int> arenaConcurrency{0};
    runInBackground(
        [&] {
            arenaConcurrency = tbb::this_task_arena::max_concurrency();
            parallelRows(
                64,
                [&](int, int) {
                    {
                        const std::lock_guard lock(mutex);
                        threads.insert(std::this_thread::get_id());
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                },
                1);
        },
        BackgroundCores::allButOne);
    EXPECT_EQ(arenaConcurrency, backgroundConcurrency(BackgroundCores::allButOne));
    EXPECT_LE(int(threads.size()), backgroundConcurrency(BackgroundCores::allButOne));
}

}  // namespace
}  // namespace velmaris
