#pragma once

#include <functional>

class QThreadPool;

namespace velmaris {

// Work the user is not watching this very moment (saves, exports, thumbnails, previews) runs below
// the main thread's priority, so that the window keeps its frames while that work holds every core.

// How many cores background work may keep busy. Work the user waits to see (a preview, the canvas's
// composite) takes them all. Work that runs unattended for long (saves, exports, thumbnails) leaves
// one to the window: on a virtual machine whose cores are all busy the host may hold up the whole
// machine, the main thread with it, for a scheduler period, whatever the thread priorities; with a
// core to spare, the window keeps its frames.
enum class BackgroundCores { all, allButOne };

// Runs `work` on the calling thread lowered, inside a oneTBB arena of `cores` whose workers are
// lowered too while they help its parallel loops. The threads are raised again afterwards where the
// system allows it (see restoreThisThread in the source).
void runInBackground(const std::function<void()>& work, BackgroundCores cores = BackgroundCores::all);

// Starts `work` through runInBackground on `pool`, by default the global pool.
void startInBackground(std::function<void()> work, BackgroundCores cores = BackgroundCores::all,
                       QThreadPool* pool = nullptr);

// How many threads work of `cores` runs on at most: every core, or one fewer (at least one).
int backgroundConcurrency(BackgroundCores cores);

// The calling thread's scheduling niceness: 0 normally, higher while lowered. For tests.
int currentThreadNiceness();

}  // namespace velmaris
