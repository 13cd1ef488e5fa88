#include "render/filters/BlendFilters.h"
#include "render/filters/ColorControls.h"
#include "render/filters/ColorMatrix.h"
#include "render/filters/HighlightShadow.h"
#include "render/filters/LuminanceMaps.h"
#include "render/filters/PhotoEffect.h"
#include "render/filters/RandomNoise.h"
#include "render/filters/ToneFilters.h"
#include "render/filters/Vignette.h"
#include "render/filters/WhiteBalance.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmaris {
namespace {

// The colour filters at their catalogue defaults (or the settings of the chains that use them) on a
// 4000 × 3000 photo.
const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000);
    return image;
}

template <typename Filter>
void runFilter(benchmark::State& state, Filter filter)
{
    const Bitmap& input = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(filter(input));
    state.SetItemsProcessed(state.iterations() * input.width() * input.height());
}

// The floor every point filter is measured against: one copy of the image's bytes into a buffer
// that already exists, and into a new bitmap (which also pays for fresh pages).
void memcpyBaseline(benchmark::State& state)
{
    const Bitmap& input = photo();
    std::vector<std::uint8_t> target(std::size_t(input.byteCount()));
    for (auto _ : state) {
        std::memcpy(target.data(), input.bits(), target.size());
        benchmark::DoNotOptimize(target.data());
    }
    state.SetItemsProcessed(state.iterations() * input.width() * input.height());
}
BENCHMARK(memcpyBaseline)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void copyIntoNewBitmap(benchmark::State& state)
{
    const Bitmap& input = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(std::move(*BitmapBuilder::copyOf(input)).build());
    state.SetItemsProcessed(state.iterations() * input.width() * input.height());
}
BENCHMARK(copyIntoNewBitmap)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Wall time, and the CPU time of both cores: on a busy machine the second is the steadier figure.
#define COLOR_FILTER_BENCHMARK(name, ...)                                                       \
    BENCHMARK_CAPTURE(runFilter, name, [](const Bitmap& input) { return __VA_ARGS__; })       \
        ->Unit(benchmark::kMillisecond)                                                         \
        ->MeasureProcessCPUTime()                                                               \
        ->UseRealTime()

COLOR_FILTER_BENCHMARK(invert, invertColorsFilter(input));
COLOR_FILTER_BENCHMARK(posterize6, posterizeFilter(input, 6));
COLOR_FILTER_BENCHMARK(colorControls, colorControlsFilter(input, 1.2, 0.1, 1.3));
COLOR_FILTER_BENCHMARK(colorMatrixBalance, colorMatrixFilter(input, ColorMatrix{{1.25, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0.75, 0}}));
COLOR_FILTER_BENCHMARK(sepia, sepiaToneFilter(input, 0.8));
COLOR_FILTER_BENCHMARK(vignette, vignetteEffectFilter(input, QPointF(2000, 1500), 0.75 * 3000, 0.7, 0.5));
COLOR_FILTER_BENCHMARK(photoNoir, photoEffectFilter(input, PhotoEffect::noir));
COLOR_FILTER_BENCHMARK(photoChrome, photoEffectFilter(input, PhotoEffect::chrome));
COLOR_FILTER_BENCHMARK(thermal, thermalFilter(input));
COLOR_FILTER_BENCHMARK(xRay, xRayFilter(input));
COLOR_FILTER_BENCHMARK(hue30, hueAdjustFilter(input, 0.5236));
COLOR_FILTER_BENCHMARK(exposure, exposureAdjustFilter(input, 0.5));
COLOR_FILTER_BENCHMARK(vibrance, vibranceFilter(input, 0.5));
COLOR_FILTER_BENCHMARK(temperatureTint, temperatureTintFilter(input, {6500, 0}, {5000, 10}));
COLOR_FILTER_BENCHMARK(highlightShadow, highlightShadowAdjustFilter(input, 0.3, 1));
COLOR_FILTER_BENCHMARK(gamma, gammaAdjustFilter(input, 1.8));
COLOR_FILTER_BENCHMARK(monochrome, colorMonochromeFilter(input, QColor::fromRgbF(0.65, 0.65, 0.65), 1));
COLOR_FILTER_BENCHMARK(randomNoise, randomNoiseImage(input.width(), input.height(), 1));
COLOR_FILTER_BENCHMARK(overlayBlend, overlayBlendFilter(input, input));
COLOR_FILTER_BENCHMARK(colorDodgeBlend, colorDodgeBlendFilter(input, input));

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
