#pragma once

namespace velmaris {

// Forgets every remembered text size, text image and effect silhouette: frees their memory (for
// example once documents are closed) and gives benchmarks a cold start.
void clearRenderCaches();

}  // namespace velmaris
