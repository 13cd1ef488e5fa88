// Native document save and open: a 5-layer 4000 × 3000 document, layers coded in parallel and,
// for comparison, on one thread. BM_NativeInfo reads the file and every layer's size (what --info
// does, goal ≤ 50 ms); BM_LayerBase64, BM_LayerInflate and BM_LayerPngDecode compare, on one layer,
// Qt's Base64 with ours, zlib's inflate with libdeflate's, and the general PNG decoder with the
// layer reader. BM_NativeLayerPngs isolates the layers' Base64 PNGs, the bulk of a
// save, written by the product's encoder and by Qt's writer at zlib level 4 (the encoder before). Run with --write-layer-pngs=DIR to write the five layers as PNG
// files for bench/compare-vips-native.sh instead of benchmarking.
#include "BenchImages.h"
#include "files/Base64.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"
#include "files/InputFile.h"
#include "files/NativeDocumentFile.h"
#include "files/PNGDecoder.h"
#include "files/VelmarisImageFormat.h"

#include <QDir>
#include <QtEndian>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <optional>

namespace velmaris {
namespace {

namespace Format = VelmarisImageFormat;

constexpr int kLayerCount = 5;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const Format::Contents& document()
{
    static const Format::Contents contents = [] {
        Format::Contents contents;
        contents.state = bench::fiveLayerDocument();
        return contents;
    }();
    return contents;
}

const QByteArray& encodedDocument()
{
    static const QByteArray data = std::get<QByteArray>(Format::encode(document()));
    return data;
}

// Argument 1 limits the work to one thread.
std::unique_ptr<tbb::global_control> threadLimit(const benchmark::State& state)
{
    if (state.range(0) == 0)
        return nullptr;
    return std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism, 1);
}

void setCounters(benchmark::State& state, double documentBytes)
{
    state.counters["docMB/s"] = benchmark::Counter(documentBytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pixelMB/s"] = benchmark::Counter(double(kLayerCount) * kWidth * kHeight * 4 / 1e6,
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["fileMB"] = documentBytes / 1e6;
}

void BM_NativeEncode(benchmark::State& state)
{
    const auto& contents = document();
    const auto limit = threadLimit(state);
    qsizetype size = 0;
    for (auto _ : state) {
        auto result = Format::encode(contents);
        size = std::get<QByteArray>(result).size();
        benchmark::DoNotOptimize(result);
    }
    setCounters(state, double(size));
}

void BM_NativeDecode(benchmark::State& state)
{
    const QByteArray& data = encodedDocument();
    const auto limit = threadLimit(state);
    for (auto _ : state) {
        auto result = Format::decode(data);
        if (!std::holds_alternative<Format::Contents>(result))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(result);
    }
    setCounters(state, double(data.size()));
}

// Argument 1 writes the layers with Qt's writer at level 4 instead of the product's encoder.
void BM_NativeLayerPngs(benchmark::State& state)
{
    const auto& layers = document().state.layers;
    const bool qt = state.range(0) == 1;
    qsizetype size = 0;
    for (auto _ : state) {
        QVector<QByteArray> base64(layers.size());
        tbb::parallel_for(qsizetype(0), layers.size(), [&](qsizetype i) {
            const Bitmap& bitmap = *layers[i].bitmap();
            const auto png = qt ? bench::qtLevel4Png(bitmap) : encodeImageData(bitmap, ImageType::png);
            base64[i] = png ? png->toBase64() : QByteArray();
        });
        size = 0;
        for (const QByteArray& layer : base64)
            size += layer.size();
        benchmark::DoNotOptimize(base64);
    }
    setCounters(state, double(size));
}

void BM_NativeInfo(benchmark::State& state)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("five.velmaris"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(encodedDocument()) != encodedDocument().size())
        state.SkipWithError("could not write the document");
    file.close();
    for (auto _ : state) {
        const FileResult<QByteArray> data = readInputFile(path);
        auto outline = readNativeDocumentOutline(std::get<QByteArray>(data));
        if (!std::holds_alternative<NativeOutline>(outline))
            state.SkipWithError("outline failed");
        benchmark::DoNotOptimize(outline);
    }
}

// The second layer (semi-transparent) as the file holds it.
const QByteArray& layerPng()
{
    static const QByteArray png = *encodeImageData(*document().state.layers[1].bitmap(), ImageType::png);
    return png;
}

// Argument 1: ours; 0: Qt's.
void BM_LayerBase64(benchmark::State& state)
{
    const QByteArray text = layerPng().toBase64();
    for (auto _ : state) {
        if (state.range(0) == 1)
            benchmark::DoNotOptimize(decodeBase64(text));
        else
            benchmark::DoNotOptimize(QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors));
    }
    state.counters["MB/s"] = benchmark::Counter(double(text.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Argument 1: libdeflate; 0: zlib. The layer's IDAT chunks joined.
void BM_LayerInflate(benchmark::State& state)
{
    QByteArray stream;
    const QByteArray& png = layerPng();
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == "IDAT")
            stream += png.mid(at + 8, length);
        at += 12 + length;
    }
    const std::size_t size = std::size_t(kHeight) * (1 + 4 * kWidth);
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        bool ok;
        if (state.range(0) == 1) {
            ok = libdeflate_zlib_decompress(decompressor, stream.constData(), std::size_t(stream.size()), out.data(),
                                            size, nullptr) == LIBDEFLATE_SUCCESS;
        } else {
            uLongf length = uLongf(size);
            ok = uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                            reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size())) == Z_OK;
        }
        if (!ok)
            state.SkipWithError("inflate failed");
    }
    libdeflate_free_decompressor(decompressor);
    state.counters["outMB/s"] = benchmark::Counter(double(size) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Argument 1: the layer reader; 0: the general decoder (Qt, libpng, zlib).
void BM_LayerPngDecode(benchmark::State& state)
{
    const QByteArray& png = layerPng();
    for (auto _ : state) {
        const std::optional<Bitmap> bitmap =
            state.range(0) == 1 ? decodeLayerPNG(png) : decodeImageData(png, ImageType::png);
        if (!bitmap)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap);
    }
}

BENCHMARK(BM_NativeEncode)->ArgName("serial")->Arg(0)->Arg(1)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeLayerPngs)->ArgName("qt_level4")->Arg(0)->Arg(1)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeDecode)->ArgName("serial")->Arg(0)->Arg(1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeInfo)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerBase64)->ArgName("ours")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerInflate)->ArgName("libdeflate")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LayerPngDecode)->ArgName("layer_reader")->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

int writeLayerPngs(const QString& folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < kLayerCount; ++i) {
        QFile file(QDir(folder).filePath(QStringLiteral("layer%1.png").arg(i + 1)));
        const auto png = encodeImageData(*document().state.layers[i].bitmap(), ImageType::png);
        if (!png || !file.open(QIODevice::WriteOnly) || file.write(*png) != png->size())
            return 1;
    }
    return 0;
}

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    constexpr char kWriteOption[] = "--write-layer-pngs=";
    if (argc > 1 && std::strncmp(argv[1], kWriteOption, std::strlen(kWriteOption)) == 0)
        return velmaris::writeLayerPngs(QString::fromLocal8Bit(argv[1] + std::strlen(kWriteOption)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
