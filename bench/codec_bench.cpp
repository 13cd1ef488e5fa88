// PNG (and JPEG, GIF) encode/decode of a 12-megapixel photo-like image. With VELMARIS_WRITE_PNG=path
// set, the PNG is also written there so bench/compare-vips-png.sh can time vips on the same file.
#include "BenchImages.h"

#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QFile>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace velmaris {
namespace {

const Bitmap& photo()
{
    return bench::photo12Megapixels();
}

void encode(benchmark::State& state, ImageType type)
{
    std::size_t size = 0;
    for (auto _ : state) {
        std::optional<QByteArray> bytes = encodeImageData(photo(), type);
        size = bytes ? std::size_t(bytes->size()) : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
    state.counters["file_MB"] = double(size) / 1e6;
}

void decode(benchmark::State& state, ImageType type)
{
    const QByteArray bytes = *encodeImageData(photo(), type);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeImageData(bytes, type));
    state.SetBytesProcessed(state.iterations() * photo().byteCount());
}

void BM_PngEncode(benchmark::State& state) { encode(state, ImageType::png); }
void BM_PngDecode(benchmark::State& state) { decode(state, ImageType::png); }
void BM_JpegEncode(benchmark::State& state) { encode(state, ImageType::jpeg); }
void BM_JpegDecode(benchmark::State& state) { decode(state, ImageType::jpeg); }
void BM_GifEncode(benchmark::State& state) { encode(state, ImageType::gif); }

BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    if (const char* path = std::getenv("VELMARIS_WRITE_PNG")) {
        QFile file(QString::fromLocal8Bit(path));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(*velmaris::encodeImageData(velmaris::photo(), velmaris::ImageType::png)) < 0)
            return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
