#include "render/EffectSilhouette.h"
#include "render/Morphology.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

// Mostly transparent with soft shapes, like a cut-out layer.
const Bitmap& cutOut()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000, 2, false);
    return image;
}

void morphologyOfAlpha(benchmark::State& state)
{
    AlphaPlane alpha(cutOut().width(), cutOut().height());
    for (int y = 0; y < alpha.height; ++y)
        for (int x = 0; x < alpha.width; ++x)
            alpha.row(y)[x] = cutOut().row(y)[4 * x + 3] > 200 ? 255 : 0;
    for (auto _ : state) {
        AlphaPlane grown = alpha;
        morphologyMaximum(grown, double(state.range(0)));
        benchmark::DoNotOptimize(grown.values.data());
    }
}
BENCHMARK(morphologyOfAlpha)->Arg(3)->Arg(25)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A glow of radius 20: dilation 10, blur 20.
void glowSilhouette(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(makeEffectSilhouette(cutOut(), StoredColor{1, 0.8, 0.2, 1}, 10, 20));
}
BENCHMARK(glowSilhouette)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
