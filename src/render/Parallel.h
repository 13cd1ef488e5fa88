#pragma once

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

namespace velmaris {

// Runs body(firstRow, endRow) over bands of rows on every core. Each row is written by exactly one
// band, so results do not depend on the number of threads.
template <typename Body>
void parallelRows(int height, Body&& body, int grain = 16)
{
    if (height <= grain) {
        if (height > 0)
            body(0, height);
        return;
    }
    tbb::parallel_for(tbb::blocked_range<int>(0, height, grain),
                      [&](const tbb::blocked_range<int>& range) { body(range.begin(), range.end()); });
}

}  // namespace velmaris
