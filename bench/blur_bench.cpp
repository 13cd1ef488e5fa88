#include "render/GaussianBlur.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

void gaussianBlurPhoto(benchmark::State& state)
{
    static const Bitmap photo = bench::photoLikeBitmap(4000, 3000);
    const double sigma = double(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto image = BitmapBuilder::copyOf(photo);
        state.ResumeTiming();
        gaussianBlur(*image, sigma, BlurEdge::clamp);
        benchmark::DoNotOptimize(image->row(0));
    }
    state.SetBytesProcessed(state.iterations() * photo.byteCount());
}
BENCHMARK(gaussianBlurPhoto)->Arg(2)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
