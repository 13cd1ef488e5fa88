// TIFF encode of a 12-megapixel photo-like image: ours (deflate with predictor, parallel strips)
// against Qt's TIFF writer, uncompressed and LZW, on the same pixels: time and size.
#include "BenchImages.h"

#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

namespace velmaris {

const Bitmap& photo()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000);
    return image;
}

namespace {

void BM_TiffEncode(benchmark::State& state)
{
    std::size_t size = 0;
    for (auto _ : state) {
        std::optional<QByteArray> bytes = encodeImageData(photo(), ImageType::tiff);
        size = bytes ? std::size_t(bytes->size()) : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["file_MB"] = double(size) / 1e6;
}

void qtTiffEncode(benchmark::State& state, int compression)
{
    std::size_t size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "tiff");
        writer.setCompression(compression);
        writer.write(photo().image());
        size = std::size_t(bytes.size());
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["file_MB"] = double(size) / 1e6;
}

void BM_QtTiffEncodeUncompressed(benchmark::State& state) { qtTiffEncode(state, 0); }
void BM_QtTiffEncodeLzw(benchmark::State& state) { qtTiffEncode(state, 1); }

void BM_TiffDecode(benchmark::State& state)
{
    const QByteArray bytes = *encodeImageData(photo(), ImageType::tiff);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeImageData(bytes, ImageType::tiff));
}

BENCHMARK(BM_TiffEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtTiffEncodeUncompressed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QtTiffEncodeLzw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_TiffDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    velmaris::photo();  // made once, outside the timings
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
