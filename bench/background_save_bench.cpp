// Saving the 5-layer 4000 × 3000 native document: on the calling thread (saveToFile) against a
// background save, with the longest pause of the event loop while the background save runs
// (a 1 ms timer ticks; the widest gap between ticks, or between asking and the first tick).
// Every iteration gives the layers new bitmaps, so no encoding is reused; BM_AutosaveOneLayerChanged
// shows what reuse gives when one layer changed since the last autosave.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "document/ImageDocument.h"
#include "files/DocumentType.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace velmaris {
namespace {

constexpr int kLayerCount = 5;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const QVector<Bitmap>& photos()
{
    static const QVector<Bitmap> bitmaps = [] {
        QVector<Bitmap> made;
        for (int i = 0; i < kLayerCount; ++i)
            made.append(bench::photoLikeBitmap(kWidth, kHeight, unsigned(i + 1), i == 0));
        return made;
    }();
    return bitmaps;
}

Bitmap freshCopy(const Bitmap& bitmap)
{
    return std::move(*BitmapBuilder::copyOf(bitmap)).build();
}

// The layers get new bitmaps with the same pixels: nothing encoded before can be reused.
void renewLayers(ImageDocument& document, int count = kLayerCount)
{
    CanvasState state = document.state();
    for (int i = 0; i < count; ++i)
        state.layers[i].content = freshCopy(photos()[i]);
    document.commitState(std::move(state), QStringLiteral("Paint"));
}

std::unique_ptr<ImageDocument> fiveLayerDocument()
{
    auto document = std::make_unique<ImageDocument>(
        DocumentDefaults{kWidth, kHeight, CanvasBackground::transparent, {}, 2});
    CanvasState state = document->state();
    state.layers.clear();
    for (int i = 0; i < kLayerCount; ++i) {
        Layer layer;
        layer.name = QStringLiteral("Layer %1").arg(i + 1);
        layer.content = photos()[i];
        state.layers.append(layer);
    }
    state.selectedLayerID = state.layers.last().id;
    document->commitState(std::move(state), QStringLiteral("Setup"));
    return document;
}

void BM_SaveOnCallingThread(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.velmaris"));
    auto document = fiveLayerDocument();
    double stall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        renewLayers(*document);
        state.ResumeTiming();
        // The whole call blocks the main thread.
        QElapsedTimer clock;
        clock.start();
        if (document->saveToFile(path, kNativeTypeName, SaveOperation::saveTo))
            state.SkipWithError("save failed");
        stall = std::max(stall, double(clock.nsecsElapsed()) / 1e6);
    }
    state.counters["stallMs"] = stall;
}

// The calling thread's time on a core and time waiting for one, in ns (Linux's schedstat).
struct ThreadTimes {
    qint64 running = 0;
    qint64 waiting = 0;
};

ThreadTimes threadTimes()
{
    ThreadTimes times;
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = file.readAll().split(' ');
        if (fields.size() >= 2)
            times = {fields[0].toLongLong(), fields[1].toLongLong()};
    }
    return times;
}

// Of the longest gap: how much the main thread spent on a core and waiting for one, in ms.
ThreadTimes longestGapTimes;

// Runs the event loop while a background save of `document` runs; returns the longest gap in ms.
double longestStallDuringBackgroundSave(ImageDocument& document, const QString& path, SaveOperation operation)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    ThreadTimes lastTimes = threadTimes();
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const ThreadTimes times = threadTimes();
        if (now - last > longest) {
            longest = now - last;
            longestGapTimes = {times.running - lastTimes.running, times.waiting - lastTimes.waiting};
        }
        last = now;
        lastTimes = times;
    });
    ticker.start(1);
    document.saveInBackground(path, kNativeTypeName, operation, [&](const std::optional<FileError>&) { loop.quit(); });
    loop.exec();
    longest = std::max(longest, clock.nsecsElapsed() - last);
    return double(longest) / 1e6;
}

// Background saves of `name` after renewing the first `changedLayers` layers each time.
void measureBackgroundSaves(benchmark::State& state, const QString& name, SaveOperation operation, int changedLayers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    auto document = fiveLayerDocument();
    if (operation == SaveOperation::autosave)
        document->saveToFile(path, kNativeTypeName, operation);
    double stall = 0;
    ThreadTimes stallTimes;
    for (auto _ : state) {
        state.PauseTiming();
        renewLayers(*document, changedLayers);
        state.ResumeTiming();
        const double longest = longestStallDuringBackgroundSave(*document, path, operation);
        if (longest > stall) {
            stall = longest;
            stallTimes = longestGapTimes;
        }
    }
    state.counters["stallMs"] = stall;
    // Of the longest stall: the main thread's own work, and its wait for a core.
    state.counters["stallRunningMs"] = double(stallTimes.running) / 1e6;
    state.counters["stallWaitingMs"] = double(stallTimes.waiting) / 1e6;
}

void BM_SaveInBackground(benchmark::State& state)
{
    measureBackgroundSaves(state, QStringLiteral("doc.velmaris"), SaveOperation::saveTo, kLayerCount);
}

void BM_AutosaveOneLayerChanged(benchmark::State& state)
{
    measureBackgroundSaves(state, QStringLiteral("auto.velmaris"), SaveOperation::autosave, 1);
}

BENCHMARK(BM_SaveOnCallingThread)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveInBackground)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutosaveOneLayerChanged)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QGuiApplication>(argc, argv);
}
