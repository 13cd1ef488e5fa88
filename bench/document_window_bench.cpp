// The document window on a 5-layer 4000 × 3000 native document: the time from opening the file to
// the first painted canvas (against reading the file alone, and against the same for the flat PNG
// of one such photo: goal ≤ 1.5 times it, ≤ 0.6 s), and the longest pause of the event
// loop while Save runs from the window (against saving on the calling thread, the whole of which
// blocks). Figures are counters in milliseconds.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "canvas/CanvasView.h"
#include "document/DocumentController.h"
#include "document/ImageDocument.h"
#include "files/DocumentType.h"
#include "window/DocumentSaver.h"
#include "window/DocumentWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace velmaris {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A native file of five photo-like layers, written once per run.
const QString& fiveLayerFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath(QStringLiteral("five.velmaris"));
        ImageDocument document(DocumentDefaults{kWidth, kHeight, CanvasBackground::transparent, {}, 2});
        CanvasState state = document.state();
        state.layers.clear();
        for (int i = 0; i < 5; ++i) {
            Layer layer;
            layer.name = QStringLiteral("Layer %1").arg(i + 1);
            layer.content = bench::photoLikeBitmap(kWidth, kHeight, unsigned(i + 1), i == 0);
            state.layers.append(layer);
        }
        state.selectedLayerID = state.layers.last().id;
        document.commitState(std::move(state), QStringLiteral("Setup"));
        if (document.saveToFile(file, kNativeTypeName, SaveOperation::saveTo))
            qFatal("could not write the benchmark document");
        return file;
    }();
    return path;
}

// The photo of the first layer as a flat PNG, written once per run.
const QString& flatFile()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.filePath(QStringLiteral("photo.png"));
        ImageDocument document(DocumentDefaults{kWidth, kHeight, CanvasBackground::transparent, {}, 2});
        CanvasState state = document.state();
        state.layers = {makeBitmapLayer(bench::photoLikeBitmap(kWidth, kHeight, 1, true), QStringLiteral("Photo"))};
        document.commitState(std::move(state), QStringLiteral("Setup"));
        if (document.saveToFile(file, QStringLiteral("public.png"), SaveOperation::saveTo))
            qFatal("could not write the benchmark image");
        return file;
    }();
    return path;
}

std::unique_ptr<ImageDocument> openFile(const QString& path = fiveLayerFile())
{
    auto opened = ImageDocument::fromFile(path);
    if (!std::holds_alternative<std::unique_ptr<ImageDocument>>(opened))
        qFatal("could not read the benchmark document");
    return std::move(std::get<std::unique_ptr<ImageDocument>>(opened));
}

void BM_ReadFileOnly(benchmark::State& state)
{
    fiveLayerFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(openFile());
}

// Argument 1 opens the flat PNG instead.
void BM_OpenToFirstPaint(benchmark::State& state)
{
    const QString& path = state.range(0) == 1 ? flatFile() : fiveLayerFile();
    double read = 0, firstPaint = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto document = openFile(path);
        read += clock.nsecsElapsed() / 1e6;
        auto* window = new DocumentWindow(document.get());
        QSignalSpy shown(window->canvas(), &CanvasView::compositeShown);
        window->show();
        if (!shown.wait(60000))
            state.SkipWithError("the canvas was never painted");
        firstPaint += clock.nsecsElapsed() / 1e6;
        state.PauseTiming();
        window->close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["readMs"] = read / state.iterations();
    state.counters["firstPaintMs"] = firstPaint / state.iterations();
}

// The way the application opens a native document: its window from the outline, at once, and
// its composite once the layers' pixels arrive.
void BM_OpenInStagesToComposite(benchmark::State& state)
{
    const QString& path = fiveLayerFile();
    QTemporaryDir autosaves;
    double windowShown = 0, layersLoaded = 0, composite = 0;
    for (auto _ : state) {
        DocumentController controller(autosaves.path());
        QElapsedTimer clock;
        clock.start();
        DocumentWindow* window = nullptr;
        std::unique_ptr<QSignalSpy> shown;
        controller.openDocumentInBackground(path, [&](const FileResult<ImageDocument*>& opened) {
            ImageDocument* document = std::get<ImageDocument*>(opened);
            QObject::connect(document, &ImageDocument::layersDidLoad, document,
                             [&] { layersLoaded += clock.nsecsElapsed() / 1e6; });
            window = new DocumentWindow(document);
            shown = std::make_unique<QSignalSpy>(window->canvas(), &CanvasView::compositeShown);
            window->show();
            windowShown += clock.nsecsElapsed() / 1e6;
        });
        while (!window)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        while (window->document()->isWaitingForLayers() || shown->isEmpty())
            if (!shown->wait(60000))
                state.SkipWithError("the canvas was never painted");
        composite += clock.nsecsElapsed() / 1e6;
        state.PauseTiming();
        window->close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["windowMs"] = windowShown / state.iterations();
    state.counters["layersMs"] = layersLoaded / state.iterations();
    state.counters["compositeMs"] = composite / state.iterations();
}

void BM_SaveFromWindowStall(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("saved.velmaris"));
    auto document = openFile();
    auto* window = new DocumentWindow(document.get());
    window->saver()->setDestinationChooser([&](QWidget*, const QString&, const QStringList& types, const QString&) {
        return std::optional<DocumentSaver::Destination>({path, types.first()});
    });
    QSignalSpy shown(window->canvas(), &CanvasView::compositeShown);
    window->show();
    shown.wait(60000);
    double longestMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        window->runCommand(CommandID::newLayer);  // something to save
        // The new layer's own repaint is not the save's: the stall is timed from a settled window.
        if (shown.wait(60000))
            QCoreApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        ticker.start(1);
        window->runCommand(CommandID::saveDocumentAs);
        QEventLoop loop;
        QObject::connect(document.get(), &ImageDocument::backgroundSaveDidFinish, &loop, &QEventLoop::quit);
        if (document->isSaving())
            loop.exec();
        longestMs = std::max(longestMs, double(longest) / 1e6);
    }
    state.counters["stallMs"] = longestMs;
    window->close();
    QCoreApplication::processEvents();
}

void BM_SaveOnCallingThread(benchmark::State& state)
{
    QTemporaryDir folder;
    auto document = openFile();
    for (auto _ : state) {
        if (document->saveToFile(folder.filePath(QStringLiteral("saved.velmaris")), kNativeTypeName, SaveOperation::saveTo))
            state.SkipWithError("save failed");
    }
}

BENCHMARK(BM_ReadFileOnly)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenToFirstPaint)->ArgName("flat_png")->Arg(0)->Arg(1)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenInStagesToComposite)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFromWindowStall)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOnCallingThread)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QApplication>(argc, argv);
}
