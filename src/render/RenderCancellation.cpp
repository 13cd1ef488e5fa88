#include "render/RenderCancellation.h"

namespace velmaris {

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
