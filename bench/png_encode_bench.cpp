// PNG encoding of a 12-megapixel photo-like image: the banded parallel writer against one zlib
// stream at levels 6 and 1 over the same filtered rows, and against Qt's writer at zlib level 4
// (the previous product path). file_MB gives each result's size.
#include "BenchImages.h"

#include "files/BandedDeflate.h"
#include "files/PNGEncoder.h"
#include "files/PNGRowFilter.h"

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>
#include <zlib.h>

#include <memory>

namespace velmaris {
namespace {

const Bitmap& photo()
{
    return bench::photo12Megapixels();
}

void setCounters(benchmark::State& state, qsizetype fileBytes)
{
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
    state.counters["file_MB"] = double(fileBytes) / 1e6;
}

// Argument 1 limits the work to one thread.
void BM_PngEncodeBanded(benchmark::State& state)
{
    std::unique_ptr<tbb::global_control> limit;
    if (state.range(0) == 1)
        limit = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, 1);
    const Bitmap& image = photo();
    qsizetype size = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> png = encodePNG(image);
        size = png ? png->size() : 0;
        benchmark::DoNotOptimize(png);
    }
    setCounters(state, size);
}

void BM_PngFilterRows(benchmark::State& state)
{
    const Bitmap& image = photo();
    for (auto _ : state)
        benchmark::DoNotOptimize(filteredPNGRows(image));
    setCounters(state, 0);
}

// Filtering (parallel, as in the banded writer) and then one zlib stream at the argument's level.
void BM_PngEncodeSingleStream(benchmark::State& state)
{
    const int level = int(state.range(0));
    const Bitmap& image = photo();
    uLongf size = 0;
    for (auto _ : state) {
        const QByteArray rows = filteredPNGRows(image);
        size = compressBound(uLong(rows.size()));
        QByteArray stream(qsizetype(size), Qt::Uninitialized);
        if (compress2(reinterpret_cast<Bytef*>(stream.data()), &size, reinterpret_cast<const Bytef*>(rows.constData()),
                      uLong(rows.size()), level)
            != Z_OK)
            state.SkipWithError("zlib failed");
        benchmark::DoNotOptimize(stream);
    }
    setCounters(state, qsizetype(size));
}

// Qt's PNG writer at zlib level 4 (quality 50), which wrote the product's PNGs before.
void BM_PngEncodeQtLevel4(benchmark::State& state)
{
    const Bitmap& image = photo();
    qsizetype size = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> png = bench::qtLevel4Png(image);
        if (!png)
            state.SkipWithError("Qt failed");
        size = png ? png->size() : 0;
    }
    setCounters(state, size);
}

BENCHMARK(BM_PngEncodeBanded)->ArgName("serial")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PngFilterRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PngEncodeSingleStream)->ArgName("level")->Arg(6)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_PngEncodeQtLevel4)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
}  // namespace velmaris

BENCHMARK_MAIN();
