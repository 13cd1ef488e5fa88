#pragma once

namespace velmaris {

// Forgets every remembered text size, text image, effect silhouette and composite base: frees their memory (for
// example once documents are closed) and gives benchmarks a cold start.
void clearRenderCaches();

}  // namespace velmaris
