#include "render/RenderCancellation.h"

#include <algorithm>
#include <vector>

namespace velmaris {

namespace {

std::atomic<bool> quitting{false};

// The cancellations inside run(), for cancelEverything. Locked before any cancellation's own mutex.
struct RunningCancellations {
    std::mutex mutex;
    std::vector<RenderCancellation*> list;
};

RunningCancellations& runningCancellations()
{
    static RunningCancellations running;
    return running;
}

}  // namespace

void RenderCancellation::cancelEverything()
{
    // The flag first: a run() that registers after the loop below sees it.
    quitting.store(true);
    RunningCancellations& running = runningCancellations();
    std::lock_guard lock(running.mutex);
    for (RenderCancellation* cancellation : running.list)
        cancellation->cancel();
}

bool RenderCancellation::everythingCancelled()
{
    return quitting.load(std::memory_order_acquire);
}

void RenderCancellation::cancel()
{
    // The flag first: a render that sees it unset after its work knows no band was skipped.
    cancelled_.store(true, std::memory_order_release);
    std::lock_guard lock(mutex_);
    if (running_)
        running_->cancel_group_execution();
}

void RenderCancellation::run(const std::function<void()>& work)
{
    RunningCancellations& running = runningCancellations();
    {
        std::lock_guard lock(running.mutex);
        running.list.push_back(this);
    }
    struct Unlist {
        RunningCancellations& running;
        RenderCancellation* cancellation;
        ~Unlist()
        {
            std::lock_guard lock(running.mutex);
            running.list.erase(std::find(running.list.begin(), running.list.end(), cancellation));
        }
    } unlist{running, this};
    tbb::task_group_context context;
    tbb::task_group group(context);
    group.run_and_wait([&] {
        {
            std::lock_guard lock(mutex_);
            if (isCancelled())
                return;
            running_ = &context;
        }
        // Unregistered inside the task, even if work() throws: cancel() must not touch the context
        // while the group resets it after the wait, nor after it is gone.
        struct Unregister {
            RenderCancellation& owner;
            ~Unregister()
            {
                std::lock_guard lock(owner.mutex_);
                owner.running_ = nullptr;
            }
        } unregister{*this};
        work();
    });
}

}  // namespace velmaris
