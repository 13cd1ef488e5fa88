#include "render/Resample.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

void resamplePhoto(benchmark::State& state)
{
    static const Bitmap photo = bench::photoLikeBitmap(4000, 3000);
    const int width = int(state.range(0)), height = int(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(resampleBitmap(photo, width, height));
    state.SetBytesProcessed(state.iterations() * photo.byteCount());
}
BENCHMARK(resamplePhoto)->Args({1000, 750})->Args({6000, 4500})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
