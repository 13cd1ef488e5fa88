#include "render/EffectSilhouette.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace velmaris {
namespace {

// Soft shapes on transparency, like a cut-out layer.
const Bitmap& layerImage()
{
    static const Bitmap image = bench::photoLikeBitmap(1000, 1000, 2, false);
    return image;
}

// The silhouettes are made directly, not through the cache, so every iteration does the work.
// Output pixels are counted as items: the time per pixel should not depend on the radius.
void run(benchmark::State& state, double dilation, double blur)
{
    const Bitmap& image = layerImage();  // made before the timing starts
    std::int64_t pixels = 0;
    for (auto _ : state) {
        const auto silhouette = makeEffectSilhouette(image, StoredColor{1, 0.8, 0.2, 1}, dilation, blur);
        pixels += std::int64_t(silhouette->image.width()) * silhouette->image.height();
        benchmark::DoNotOptimize(silhouette->image.identity());
    }
    state.SetItemsProcessed(pixels);
}

// Dilation r / 2 and blur r, as the compositor draws a glow of radius r.
void glow(benchmark::State& state)
{
    const double radius = double(state.range(0));
    run(state, radius / 2, radius);
}
BENCHMARK(glow)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void stroke(benchmark::State& state)
{
    run(state, double(state.range(0)), 0);
}
BENCHMARK(stroke)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
