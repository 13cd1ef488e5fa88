#include "BenchImages.h"
#include "render/Blend.h"
#include "render/ReducedComposite.h"
#include "render/ReducedImages.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <vector>

namespace velmaris {
namespace {

constexpr int kWidth = 4000, kHeight = 3000, kLayerCount = 10;
constexpr qint64 kLayerBytes = qint64(4) * kWidth * kHeight;

// Semi-transparent photo-like layers, made once for all benchmarks.
const std::vector<Bitmap>& layers()
{
    static const std::vector<Bitmap> images = [] {
        std::vector<Bitmap> made;
        for (int i = 0; i < kLayerCount; ++i)
            made.push_back(bench::photoLikeBitmap(kWidth, kHeight, unsigned(i + 1), false));
        return made;
    }();
    return images;
}

// The baseline: copying the same bytes the ten-layer composite reads.
void BM_MemcpyTenLayers(benchmark::State& state)
{
    const std::vector<Bitmap>& sources = layers();
    std::vector<std::uint8_t> target(kLayerBytes, 1);
    for (auto _ : state) {
        for (const Bitmap& layer : sources)
            std::memcpy(target.data(), layer.bits(), target.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kLayerCount * kLayerBytes);
}
BENCHMARK(BM_MemcpyTenLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Ten normal layers at the opacity in percent (100 takes the exactly rounded path, the others the
// weighted one). gigapixels_per_core_second is the layer pixels over the process CPU time.
void BM_BlendTenLayersNormal(benchmark::State& state)
{
    const std::vector<Bitmap>& sources = layers();
    const double opacity = state.range(0) / 100.0;
    auto target = BitmapBuilder::create(kWidth, kHeight);
    const std::clock_t start = std::clock();
    for (auto _ : state) {
        for (const Bitmap& layer : sources)
            blendInto(*target, layer, QPoint(0, 0), LayerBlendMode::normal, opacity);
        benchmark::ClobberMemory();
    }
    const double cpuSeconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    const double pixels = double(state.iterations()) * kLayerCount * kWidth * kHeight;
    state.counters["gigapixels_per_core_second"] = pixels / cpuSeconds / 1e9;
    state.SetBytesProcessed(state.iterations() * kLayerCount * kLayerBytes);
}
BENCHMARK(BM_BlendTenLayersNormal)->Arg(100)->Arg(60)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// One layer onto an opaque photo in each mode; the argument is the LayerBlendMode index (0 = normal).
void BM_BlendMode(benchmark::State& state)
{
    const auto mode = LayerBlendMode(state.range(0));
    const Bitmap& source = layers().front();
    auto target = BitmapBuilder::copyOf(bench::photoLikeBitmap(kWidth, kHeight, 99));
    for (auto _ : state) {
        blendInto(*target, source, QPoint(0, 0), mode, 0.8);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kLayerBytes);
}
BENCHMARK(BM_BlendMode)->DenseRange(0, kBlendModeCount - 1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A freshly opened document's first composite at a quarter of its size (a 4000 × 3000 canvas fits a
// window at about that): every layer is halved twice before the small composite, none from cache.
void BM_FirstReducedCompositeOfFiveLayers(benchmark::State& state)
{
    static const CanvasState document = bench::fiveLayerDocument();
    for (auto _ : state) {
        clearReducedLayerCache();
        benchmark::DoNotOptimize(renderReducedComposite(document, 2));
    }
}
BENCHMARK(BM_FirstReducedCompositeOfFiveLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Halving one layer twice, as the canvas and the reduced composite do.
void BM_HalveLayerTwice(benchmark::State& state)
{
    const QImage& image = layers().front().image();
    for (auto _ : state)
        benchmark::DoNotOptimize(halvedImages(image, 2, 0));
    state.SetBytesProcessed(state.iterations() * kLayerBytes);
}
BENCHMARK(BM_HalveLayerTwice)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
