// Decoding a 12-megapixel HEIC, AVIF and WebP photo, in this process and through the decode helper,
// against the formats' own command-line decoders on the same files in the same run: heif-convert
// to Y4M (decoded planes written as they are, no colour conversion) and dwebp to PAM (RGBA).
// The tools come with scripts/install-deps.sh --bench; bench/compare-photo-decode.sh prints the
// ratios.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"

#include "files/DecodeHelper.h"
#include "files/ImageDecoder.h"
#include "files/ImageEncoder.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <map>

namespace velmaris {
namespace {

// The photo encoded at the export panel's default quality, once per type, and kept on disk for the
// tools.
const QString& photoFile(ImageType type)
{
    static QTemporaryDir directory;
    static std::map<ImageType, QString> files;
    QString& path = files[type];
    if (path.isEmpty()) {
        path = directory.filePath(QStringLiteral("photo.") + imageTypeExtension(type));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*encodeImageData(bench::photo12Megapixels(), type, 0.9)) < 0)
            qFatal("could not write the photo");
    }
    return path;
}

QByteArray photoBytes(ImageType type)
{
    QFile file(photoFile(type));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void inProcess(benchmark::State& state, ImageType type)
{
    const QByteArray bytes = photoBytes(type);
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeImageData(bytes, type));
}

void inHelper(benchmark::State& state, ImageType type)
{
    const QByteArray bytes = photoBytes(type);
    decodeUntrustedImage(bytes, type);  // starts the helper
    for (auto _ : state)
        benchmark::DoNotOptimize(std::get<Bitmap>(decodeUntrustedImage(bytes, type)));
}

void tool(benchmark::State& state, ImageType type, const QString& program, const QString& outputExtension)
{
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        state.SkipWithError("the tool is missing: scripts/install-deps.sh --bench");
        return;
    }
    const QString input = photoFile(type);
    const QString output = input + QStringLiteral(".out.") + outputExtension;
    const QStringList arguments = program == u"dwebp"
        ? QStringList{input, QStringLiteral("-pam"), QStringLiteral("-o"), output}
        : QStringList{input, output};
    for (auto _ : state) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0)
            state.SkipWithError("the tool failed");
    }
    QFile::remove(output);
}

void BM_HeicInProcess(benchmark::State& state) { inProcess(state, ImageType::heif); }
void BM_HeicInHelper(benchmark::State& state) { inHelper(state, ImageType::heif); }
void BM_HeicHeifConvert(benchmark::State& state) { tool(state, ImageType::heif, QStringLiteral("heif-convert"), QStringLiteral("y4m")); }
void BM_AvifInProcess(benchmark::State& state) { inProcess(state, ImageType::avif); }
void BM_AvifInHelper(benchmark::State& state) { inHelper(state, ImageType::avif); }
void BM_AvifHeifConvert(benchmark::State& state) { tool(state, ImageType::avif, QStringLiteral("heif-convert"), QStringLiteral("y4m")); }
void BM_WebpInProcess(benchmark::State& state) { inProcess(state, ImageType::webp); }
void BM_WebpInHelper(benchmark::State& state) { inHelper(state, ImageType::webp); }
void BM_WebpDwebp(benchmark::State& state) { tool(state, ImageType::webp, QStringLiteral("dwebp"), QStringLiteral("pam")); }

BENCHMARK(BM_HeicInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeicInHelper)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeicHeifConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AvifInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AvifInHelper)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AvifHeifConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WebpInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WebpInHelper)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WebpDwebp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QGuiApplication>(argc, argv);
}
