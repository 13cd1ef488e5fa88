// PSD documents against the native format, in one run, on the same 5-layer 4000 × 3000 document:
// BM_Read reads a file into layers (argument 0 native, 1 PSD), BM_ReadToComposite also renders the
// first composite the window shows, BM_Write writes the file. Goal: a PSD reads and shows no
// slower than a native document.
#include "BenchImages.h"
#include "files/NativeDocumentFile.h"
#include "files/PSDDocument.h"
#include "render/Compositor.h"

#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

constexpr int kLayerCount = 5;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const NativeDocument& document()
{
    static const NativeDocument document = [] {
        NativeDocument document;
        document.state.size = QSizeF(kWidth, kHeight);
        for (int i = 0; i < kLayerCount; ++i)
            document.state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(kWidth, kHeight, unsigned(i + 1), i == 0),
                                                         QStringLiteral("Layer %1").arg(i + 1)));
        document.state.selectedLayerID = document.state.layers.last().id;
        return document;
    }();
    return document;
}

bool isPSD(const benchmark::State& state)
{
    return state.range(0) == 1;
}

FileResult<QByteArray> write(bool psd)
{
    return psd ? writePSDDocument(document()) : writeNativeDocument(document());
}

const QByteArray& file(bool psd)
{
    static const QByteArray native = std::get<QByteArray>(write(false));
    static const QByteArray layered = std::get<QByteArray>(write(true));
    return psd ? layered : native;
}

FileResult<NativeDocument> read(bool psd)
{
    return psd ? readPSDDocument(file(true)) : readNativeDocument(file(false));
}

void setCounters(benchmark::State& state)
{
    state.counters["fileMB"] = double(file(isPSD(state)).size()) / 1e6;
    state.counters["pixelMB/s"] = benchmark::Counter(double(kLayerCount) * kWidth * kHeight * 4 / 1e6,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Read(benchmark::State& state)
{
    const bool psd = isPSD(state);
    file(psd);
    for (auto _ : state) {
        FileResult<NativeDocument> result = read(psd);
        if (!std::holds_alternative<NativeDocument>(result))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(result);
    }
    setCounters(state);
}

void BM_ReadToComposite(benchmark::State& state)
{
    const bool psd = isPSD(state);
    file(psd);
    for (auto _ : state) {
        FileResult<NativeDocument> result = read(psd);
        const auto* read = std::get_if<NativeDocument>(&result);
        std::optional<Bitmap> composite = read ? renderComposite(read->state) : std::nullopt;
        if (!composite)
            state.SkipWithError("read or composite failed");
        benchmark::DoNotOptimize(composite);
    }
    setCounters(state);
}

void BM_Write(benchmark::State& state)
{
    const bool psd = isPSD(state);
    for (auto _ : state) {
        FileResult<QByteArray> result = write(psd);
        if (!std::holds_alternative<QByteArray>(result))
            state.SkipWithError("write failed");
        benchmark::DoNotOptimize(result);
    }
    setCounters(state);
}

BENCHMARK(BM_Read)->ArgName("psd")->Arg(0)->Arg(1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadToComposite)->ArgName("psd")->Arg(0)->Arg(1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->ArgName("psd")->Arg(0)->Arg(1)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
