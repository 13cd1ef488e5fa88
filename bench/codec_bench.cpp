// PNG (and JPEG, GIF) encode/decode of a 12-megapixel photo-like image. Each figure times only
// its operation: the image and the encoded bytes are made before the timed loop. With
// VELMARIS_WRITE_PNG=path set, the PNG is also written there so bench/compare-vips-png.sh can time
// vips on the same file.
#include "BenchImages.h"

#include "files/FlatDocument.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QFile>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace velmaris {
namespace {

const Bitmap& photo()
{
    return bench::photo12Megapixels();
}

// A 4000 × 3000 photo whose alpha runs from half to fully covered, as a layer over nothing.
const Bitmap& translucentPhoto()
{
    static const Bitmap image = bench::photoLikeBitmap(4000, 3000, 1, false);
    return image;
}

template <typename Encode>
void encode(benchmark::State& state, const Bitmap& image, Encode encodeImage)
{
    std::size_t size = 0;
    for (auto _ : state) {
        std::optional<QByteArray> bytes = encodeImage(image);
        size = bytes ? std::size_t(bytes->size()) : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * image.byteCount());
    state.counters["file_MB"] = double(size) / 1e6;
}

void encode(benchmark::State& state, ImageType type, std::optional<double> quality = std::nullopt)
{
    encode(state, photo(), [&](const Bitmap& image) { return encodeImageData(image, type, quality); });
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
void BM_JpegEncode(benchmark::State& state) { encode(state, ImageType::jpeg, 0.9); }
void BM_JpegDecode(benchmark::State& state) { decode(state, ImageType::jpeg); }
// Besides the time, how far the GIF's colours are from the photo's: the mean absolute channel
// difference per pixel and of 8 × 8 block averages (what dithering keeps).
void BM_GifEncode(benchmark::State& state)
{
    encode(state, ImageType::gif);
    const Bitmap decoded = *decodeImageData(*encodeImageData(photo(), ImageType::gif), ImageType::gif);
    double pixelError = 0, blockError = 0;
    for (int blockY = 0; blockY + 8 <= photo().height(); blockY += 8)
        for (int blockX = 0; blockX + 8 <= photo().width(); blockX += 8)
            for (int c = 0; c < 3; ++c) {
                int difference = 0;
                for (int y = blockY; y < blockY + 8; ++y)
                    for (int x = blockX; x < blockX + 8; ++x) {
                        const int one = decoded.row(y)[4 * x + c] - photo().row(y)[4 * x + c];
                        difference += one;
                        pixelError += std::abs(one);
                    }
                blockError += std::abs(difference) / 64.0;
            }
    const double blocks = double(photo().width() / 8) * (photo().height() / 8) * 3;
    state.counters["pixel_error"] = pixelError / (blocks * 64);
    state.counters["block_error"] = blockError / blocks;
}

// A flat JPEG save at 90 % of an opaque and of a translucent image: the second is flattened on
// white on the way to the encoder.
void BM_JpegFlatSave(benchmark::State& state)
{
    encode(state, state.range(0) ? translucentPhoto() : photo(),
           [](const Bitmap& image) { return writeFlatDocument(image, ImageType::jpeg, 0.9); });
}

BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegFlatSave)->ArgName("translucent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

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
