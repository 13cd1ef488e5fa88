#include "render/filters/BloomGloomFilters.h"
#include "render/filters/BokehBlurFilter.h"
#include "render/filters/Convolution3x3Filter.h"
#include "render/filters/EdgesFilter.h"
#include "render/filters/GaussianBlurFilter.h"
#include "render/filters/MedianFilter.h"
#include "render/filters/MotionBlurFilter.h"
#include "render/filters/NoiseReductionFilter.h"
#include "render/filters/SharpenFilters.h"
#include "render/filters/ZoomBlurFilter.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

// Each filter at its menu default on a 4000 × 3000 photo-like image. `--write-photo=PATH` writes
// that image instead (for timing other tools on the same pixels, see compare-vips-filters.sh).

namespace velmaris {
namespace {

constexpr int kWidth = 4000, kHeight = 3000;

const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(kWidth, kHeight);
    return image;
}

template <typename Filter>
void run(benchmark::State& state, Filter filter)
{
    const Bitmap& input = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(filter(input));
}

void gaussianBlur(benchmark::State& s) { run(s, [](const Bitmap& b) { return gaussianBlurFilter(b, 10); }); }
void motionBlur(benchmark::State& s) { run(s, [](const Bitmap& b) { return motionBlurFilter(b, 20, 0); }); }
void motionBlurDiagonal(benchmark::State& s) { run(s, [](const Bitmap& b) { return motionBlurFilter(b, 20, 0.6); }); }
void zoomBlur(benchmark::State& s)
{
    run(s, [](const Bitmap& b) { return zoomBlurFilter(b, QPointF(kWidth / 2.0, kHeight / 2.0), 15); });
}
void bokehBlur(benchmark::State& s) { run(s, [](const Bitmap& b) { return bokehBlurFilter(b, 12); }); }
void sharpenLuminance(benchmark::State& s) { run(s, [](const Bitmap& b) { return sharpenLuminanceFilter(b, 0.4); }); }
void unsharpMask(benchmark::State& s) { run(s, [](const Bitmap& b) { return unsharpMaskFilter(b, 2.5, 0.5); }); }
void median(benchmark::State& s) { run(s, [](const Bitmap& b) { return medianFilter(b); }); }
void noiseReduction(benchmark::State& s) { run(s, [](const Bitmap& b) { return noiseReductionFilter(b, 0.02, 0.4); }); }
void emboss(benchmark::State& s)
{
    run(s, [](const Bitmap& b) { return convolution3x3Filter(b, {-2, -1, 0, -1, 1, 1, 0, 1, 2}, 0.5); });
}
void bloom(benchmark::State& s) { run(s, [](const Bitmap& b) { return bloomFilter(b, 10, 0.5); }); }
void gloom(benchmark::State& s) { run(s, [](const Bitmap& b) { return gloomFilter(b, 10, 0.5); }); }
void edges(benchmark::State& s) { run(s, [](const Bitmap& b) { return edgesFilter(b, 1); }); }

// Few iterations: every run is a whole 12-megapixel image.
#define FILTER_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime()
FILTER_BENCHMARK(gaussianBlur);
FILTER_BENCHMARK(motionBlur);
FILTER_BENCHMARK(motionBlurDiagonal);
FILTER_BENCHMARK(zoomBlur);
FILTER_BENCHMARK(bokehBlur);
FILTER_BENCHMARK(sharpenLuminance);
FILTER_BENCHMARK(unsharpMask);
FILTER_BENCHMARK(median);
FILTER_BENCHMARK(noiseReduction);
FILTER_BENCHMARK(emboss);
FILTER_BENCHMARK(bloom);
FILTER_BENCHMARK(gloom);
FILTER_BENCHMARK(edges);

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    constexpr const char* kWriteFlag = "--write-photo=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], kWriteFlag, std::strlen(kWriteFlag)) == 0) {
            const char* path = argv[i] + std::strlen(kWriteFlag);
            if (!velmaris::photo().image().save(QString::fromLocal8Bit(path))) {
                std::fprintf(stderr, "cannot write %s\n", path);
                return 1;
            }
            return 0;
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
