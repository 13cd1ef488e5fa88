#include "BenchImages.h"
#include "document/CopyComposite.h"
#include "document/ImageExport.h"
#include "model/Layer.h"
#include "render/Compositor.h"

#include <QDir>

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

// The 5-layer 4000 × 3000 document of the window benchmarks, made once.
const CanvasState& fiveLayers()
{
    static const CanvasState state = [] {
        CanvasState made;
        made.size = {4000, 3000};
        for (int i = 0; i < 5; ++i) {
            Layer layer;
            layer.name = QStringLiteral("Layer %1").arg(i + 1);
            layer.content = bench::photoLikeBitmap(4000, 3000, unsigned(i + 1), i == 0);
            made.layers.append(layer);
        }
        made.selectedLayerID = made.layers.last().id;
        return made;
    }();
    return state;
}

// The baseline: copying the composite's bytes once (the composite itself comes from the cache
// after the first render).
void BM_CopyCompositeBytes(benchmark::State& state)
{
    const Bitmap composite = *renderComposite(fiveLayers());
    for (auto _ : state)
        benchmark::DoNotOptimize(Bitmap::fromImage(composite.image().copy()));
}
BENCHMARK(BM_CopyCompositeBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// What Copy does on the main thread: composite, cut and mask (an inverted ellipse, the costliest
// mask); the encoding runs on a worker.
void BM_CopyOnMainThread(benchmark::State& state)
{
    DocumentSelection selection;
    selection.rect = QRectF(500.5, 400.5, 2000, 1500);
    selection.shape = SelectionShape::ellipse;
    selection.inverted = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(copiedImage(fiveLayers(), selection));
}
BENCHMARK(BM_CopyOnMainThread)->Unit(benchmark::kMillisecond)->UseRealTime();

// What Export does on the main thread: the snapshot handed to the worker.
void BM_ExportOnMainThread(benchmark::State& state)
{
    for (auto _ : state) {
        CanvasState snapshot = fiveLayers();
        benchmark::DoNotOptimize(snapshot);
    }
}
BENCHMARK(BM_ExportOnMainThread)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The worker's whole export at 100 % as PNG, for scale.
void BM_ExportOnWorker(benchmark::State& state)
{
    const QString path = QDir::temp().filePath(QStringLiteral("velmaris-export-bench.png"));
    const ExportRequest request{*exportFormatAt(0)};
    for (auto _ : state)
        benchmark::DoNotOptimize(exportToFile(fiveLayers(), request, path));
    QFile::remove(path);
}
BENCHMARK(BM_ExportOnWorker)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    velmaris::fiveLayers();  // made before any timing, not inside the first benchmark
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
