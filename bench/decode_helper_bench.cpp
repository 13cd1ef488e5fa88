// Decoding through the decode helper against decoding in this process: a 1000 × 750 PNG and JPEG
// and a 4000 × 3000 PNG and JPEG. The difference is what opening a file costs for its safety.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"

#include "files/DecodeHelper.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <map>
#include <tuple>

namespace velmaris {
namespace {

const QByteArray& encoded(int width, int height, ImageType type)
{
    static std::map<std::tuple<int, int, ImageType>, QByteArray> files;
    QByteArray& bytes = files[{width, height, type}];
    if (bytes.isEmpty())
        bytes = *encodeImageData(bench::photoLikeBitmap(width, height), type);
    return bytes;
}

// Every pixel is read once, as drawing the image would: the helper's pixels arrive mapped, not
// yet faulted in.
std::uint8_t touch(const Bitmap& bitmap)
{
    std::uint8_t sum = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (qsizetype x = 0; x < bitmap.stride(); x += 1024)
            sum += bitmap.row(y)[x];
    return sum;
}

void inProcess(benchmark::State& state, ImageType type)
{
    const QByteArray& bytes = encoded(int(state.range(0)), int(state.range(1)), type);
    for (auto _ : state)
        benchmark::DoNotOptimize(touch(*decodeImageData(bytes, type)));
}

void inHelper(benchmark::State& state, ImageType type)
{
    const QByteArray& bytes = encoded(int(state.range(0)), int(state.range(1)), type);
    decodeUntrustedImage(bytes, type);  // starts the helper
    for (auto _ : state)
        benchmark::DoNotOptimize(touch(std::get<Bitmap>(decodeUntrustedImage(bytes, type))));
}

void BM_PngInProcess(benchmark::State& state) { inProcess(state, ImageType::png); }
void BM_PngInHelper(benchmark::State& state) { inHelper(state, ImageType::png); }
void BM_JpegInProcess(benchmark::State& state) { inProcess(state, ImageType::jpeg); }
void BM_JpegInHelper(benchmark::State& state) { inHelper(state, ImageType::jpeg); }

// Starting a helper: what the first decode of a session pays once.
void BM_HelperStart(benchmark::State& state)
{
    const QByteArray& bytes = encoded(16, 16, ImageType::png);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeHelperPool(QStringLiteral("/proc/self/exe")).decode(bytes, ImageType::png));
}

// 16 × 16: the fixed cost of a request.
BENCHMARK(BM_PngInProcess)->Args({16, 16})->Args({1000, 750})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngInHelper)->Args({16, 16})->Args({1000, 750})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegInProcess)->Args({1000, 750})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegInHelper)->Args({1000, 750})->Args({4000, 3000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HelperStart)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QGuiApplication>(argc, argv);
}
