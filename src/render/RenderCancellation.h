#pragma once

#include <tbb/task_group.h>

#include <atomic>
#include <functional>
#include <mutex>

namespace velmaris {

// Lets another thread stop a render early. The render checks isCancelled() between layers; work run
// through run() also stops handing out row bands of its parallel loops once cancel() is called, so a
// cancelled render returns within about one band of a kernel. Whatever a cancelled render produced is
// incomplete and must be thrown away (and never cached).
class RenderCancellation {
public:
    void cancel();
    bool isCancelled() const { return cancelled_.load(std::memory_order_acquire) || everythingCancelled(); }

    // Cancels every render of the process, running or still to start: for quitting, when no result
    // is wanted any more. Renders without a cancellation of their own stop too (renderCancelled).
    static void cancelEverything();
    static bool everythingCancelled();

    // Calls work() on this thread so that cancel() also cancels the parallel loops it starts.
    void run(const std::function<void()>& work);

private:
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    tbb::task_group_context* running_ = nullptr;  // guarded by mutex_
};

// True when a render given this (possibly absent) cancellation should stop.
inline bool renderCancelled(const RenderCancellation* cancellation)
{
    return cancellation ? cancellation->isCancelled() : RenderCancellation::everythingCancelled();
}

}  // namespace velmaris
