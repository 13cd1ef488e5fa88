#include "BenchImages.h"
#include "render/Blend.h"

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

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
