// Opening a 5-layer 4000 × 3000 document saved as OpenRaster against the same document in the
// native format, in one run: BM_OpenRasterOpen reads it as opening a file does (in the decode
// helper, pixels handed back through shared memory), BM_NativeOpen reads the native file (in this
// process, as opening one does); BM_OpenRasterReadInProcess is the reader alone. Every layer's
// pages are touched, as drawing the first composite would. Saving both ways is measured too.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"

#include "files/DocumentType.h"
#include "files/NativeDocumentFile.h"
#include "files/OpenImageFile.h"
#include "files/OpenRaster.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

const NativeDocument& document()
{
    static const NativeDocument contents{bench::fiveLayerDocument(), {}};
    return contents;
}

const QByteArray& openRasterFile()
{
    static const QByteArray bytes = std::get<QByteArray>(writeOpenRasterDocument(document()));
    return bytes;
}

const QByteArray& nativeFile()
{
    static const QByteArray bytes = std::get<QByteArray>(writeNativeDocument(document()));
    return bytes;
}

std::uint8_t touch(const FileResult<NativeDocument>& read)
{
    std::uint8_t sum = 0;
    for (const Layer& layer : std::get<NativeDocument>(read).state.layers) {
        const Bitmap& bitmap = *layer.bitmap();
        for (int y = 0; y < bitmap.height(); ++y)
            for (qsizetype x = 0; x < bitmap.stride(); x += 1024)
                sum += bitmap.row(y)[x];
    }
    return sum;
}

void BM_OpenRasterOpen(benchmark::State& state)
{
    const QByteArray& bytes = openRasterFile();
    touch(readDocumentData(bytes, kOpenRasterTypeName));  // starts the helper
    for (auto _ : state)
        benchmark::DoNotOptimize(touch(readDocumentData(bytes, kOpenRasterTypeName)));
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

void BM_OpenRasterReadInProcess(benchmark::State& state)
{
    const QByteArray& bytes = openRasterFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(touch(readOpenRasterDocument(bytes)));
}

void BM_NativeOpen(benchmark::State& state)
{
    const QByteArray& bytes = nativeFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(touch(readDocumentData(bytes, kNativeTypeName)));
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

void BM_OpenRasterSave(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(writeOpenRasterDocument(document()));
}

void BM_NativeSave(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(writeNativeDocument(document()));
}

BENCHMARK(BM_NativeOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenRasterOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenRasterReadInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NativeSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenRasterSave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QGuiApplication>(argc, argv);
}
