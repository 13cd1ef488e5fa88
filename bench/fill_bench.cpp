#include "document/FillOperations.h"
#include "render/CoverageFill.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace velmaris {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr QPoint kSeed(2000, 1500);
constexpr int kMiddlingTolerance = 25;

const Bitmap& photo()
{
    return bench::photo12Megapixels();
}

// A one-layer document of the photo. The short history keeps old turns from piling up.
std::unique_ptr<ImageDocument> photoDocument()
{
    auto document = std::make_unique<ImageDocument>(
        DocumentDefaults{kWidth, kHeight, CanvasBackground::transparent, {}, 2});
    CanvasState state = document->state();
    state.layers = {makeBitmapLayer(photo(), QStringLiteral("Photo"))};
    state.selectedLayerID = state.layers.first().id;
    document->setLiveState(std::move(state));
    return document;
}

// The baseline: copying the photo's bytes once, which every fill does to make its new layer.
void copyPhotoBytes(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(photo().byteCount());
    std::vector<std::uint8_t> target(bytes);
    for (auto _ : state) {
        std::memcpy(target.data(), photo().bits(), bytes);
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes));
}
BENCHMARK(copyPhotoBytes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The region alone; the counter says how much of the photo it covers.
void regionOfPhoto(benchmark::State& state)
{
    const RegionSettings settings{kMiddlingTolerance, state.range(0) != 0, true};
    double covered = 0;
    for (auto _ : state) {
        const AlphaPlane plane = regionCoverage(photo().image(), kSeed, settings);
        state.PauseTiming();
        covered = double(plane.values.size() - std::count(plane.values.begin(), plane.values.end(), 0)) /
                  double(plane.values.size());
        state.ResumeTiming();
    }
    state.counters["covered"] = covered;
}
BENCHMARK(regionOfPhoto)->ArgName("contiguous")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// What a click of the fill bucket costs: region, new layer pixels, paint and history entry.
void fillBucketOnPhoto(benchmark::State& state)
{
    auto document = photoDocument();
    const BucketFill fill{{kMiddlingTolerance, state.range(0) != 0, true}, FillSampling::layer};
    for (auto _ : state) {
        if (!fillRegion(*document, kSeed, fill, StoredColor{0.2, 0.4, 0.9, 1}))
            state.SkipWithError("nothing filled");
        state.PauseTiming();
        document->undoHistory();
        state.ResumeTiming();
    }
}
BENCHMARK(fillBucketOnPhoto)->ArgName("contiguous")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A gradient across the whole photo, linear (0) or radial (1), as the tool's release commits it.
void gradientOnPhoto(benchmark::State& state)
{
    auto document = photoDocument();
    const GradientDrawing gradient{state.range(0) ? GradientShape::radial : GradientShape::linear,
                                {500, 400}, {3500, 2600}, {40, 80, 200, 255}, {0, 0, 0, 0}};
    for (auto _ : state) {
        if (!fillGradient(*document, gradient))
            state.SkipWithError("nothing painted");
        state.PauseTiming();
        document->undoHistory();
        state.ResumeTiming();
    }
}
BENCHMARK(gradientOnPhoto)->ArgName("radial")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
