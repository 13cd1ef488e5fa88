#include "document/CanvasTransformOperations.h"
#include "document/SelectionPainting.h"
#include "render/ClipMask.h"
#include "render/CoverageFill.h"

#include "BenchImages.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace velmaris {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kLayers = 5;

const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(kWidth, kHeight);
    return image;
}

// A document of `layers` copies of the photo. The short history keeps old turns from piling up.
std::unique_ptr<ImageDocument> photoDocument(int layers)
{
    auto document = std::make_unique<ImageDocument>(
        DocumentDefaults{kWidth, kHeight, CanvasBackground::transparent, {}, 2});
    CanvasState state = document->state();
    state.layers.clear();
    for (int i = 0; i < layers; ++i) {
        Layer layer;
        layer.content = i == 0 ? photo() : std::move(*BitmapBuilder::copyOf(photo())).build();
        state.layers.append(layer);
    }
    state.selectedLayerID = state.layers.first().id;
    document->setLiveState(std::move(state));
    return document;
}

// The floor: copying the bytes of `layers` layers once.
void copyLayerBytes(benchmark::State& state)
{
    const std::size_t bytes = std::size_t(photo().byteCount());
    std::vector<std::uint8_t> target(bytes * state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < state.range(0); ++i)
            std::memcpy(target.data() + i * bytes, photo().bits(), bytes);
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(state.iterations() * qint64(bytes) * state.range(0));
}
BENCHMARK(copyLayerBytes)->Arg(1)->Arg(kLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void rotateCanvasFiveLayers(benchmark::State& state)
{
    auto document = photoDocument(kLayers);
    for (auto _ : state)
        rotateCanvas(*document, true);
    state.SetBytesProcessed(state.iterations() * photo().byteCount() * kLayers);
}
BENCHMARK(rotateCanvasFiveLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void flipCanvasFiveLayers(benchmark::State& state)
{
    auto document = photoDocument(kLayers);
    for (auto _ : state)
        flipCanvas(*document, true);
    state.SetBytesProcessed(state.iterations() * photo().byteCount() * kLayers);
}
BENCHMARK(flipCanvasFiveLayers)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void resizeImageOneLayer(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto document = photoDocument(1);
        state.ResumeTiming();
        resizeImage(*document, kWidth / 2, kHeight / 2);
    }
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(resizeImageOneLayer)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void fillInvertedEllipse(benchmark::State& state)
{
    auto document = photoDocument(1);
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionInverted(true);
    document->setSelectionRect(QRectF(500, 400, 3000, 2200));
    for (auto _ : state)
        fillSelection(*document, StoredColor{0.2, 0.4, 0.9, 0.8});
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(fillInvertedEllipse)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The fill's two passes on their own: the coverage of the inverted ellipse, and painting through it.
void invertedEllipseMask(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(makeClipMask(kWidth, kHeight, QRectF(500, 400, 3000, 2200), MaskShape::ellipse, true));
}
BENCHMARK(invertedEllipseMask)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void paintThroughCoverage(benchmark::State& state)
{
    const AlphaPlane coverage = makeClipMask(kWidth, kHeight, QRectF(500, 400, 3000, 2200), MaskShape::ellipse, true);
    auto target = BitmapBuilder::copyOf(photo());
    for (auto _ : state)
        paintColor(*target, {40, 80, 180, 204}, coverage);
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}
BENCHMARK(paintThroughCoverage)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
