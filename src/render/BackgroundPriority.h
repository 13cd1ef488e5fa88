#pragma once

#include <functional>

class QThreadPool;

namespace velmaris {

// Work the user is not watching this very moment (saves, exports, thumbnails, previews) runs below
// the main thread's priority, so that the window keeps its frames while that work holds every core.

// Runs `work` on the calling thread lowered, inside a oneTBB arena whose workers are lowered too
// while they help its parallel loops. The threads are raised again afterwards where the system
// allows it (see restoreThisThread in the source).
void runInBackground(const std::function<void()>& work);

// Starts `work` through runInBackground on `pool`, by default the global pool.
void startInBackground(std::function<void()> work, QThreadPool* pool = nullptr);

// The calling thread's scheduling niceness: 0 normally, higher while lowered. For tests.
int currentThreadNiceness();

}  // namespace velmaris
