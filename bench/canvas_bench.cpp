// Main-thread cost of the canvas per user event, paint included, on a 4000 × 3000 document of five
// layers (one text layer, one with a drop shadow). Each benchmark reports its figures as counters
// in milliseconds; the iteration time itself is not the figure.
#include "BenchImages.h"
#include "EventTimes.h"
#include "QtBenchmarkMain.h"
#include "canvas/CanvasView.h"
#include "document/FilterPreview.h"
#include "document/ImageDocument.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace velmaris;

namespace {

std::unique_ptr<ImageDocument> fiveLayerDocument()
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{4000, 3000, CanvasBackground::transparent, {}, 50});
    CanvasState state;
    state.size = QSizeF(4000, 3000);
    state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(4000, 3000, 1), QStringLiteral("Photo")));
    state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(2000, 1500, 2, false), QStringLiteral("Half"), {500, 400}));
    Layer shadowed = makeBitmapLayer(bench::photoLikeBitmap(1200, 900, 3, false), QStringLiteral("Shadowed"), {2200, 1600});
    shadowed.effects.shadow = ShadowEffect{};
    state.layers.append(shadowed);
    state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(800, 600, 4), QStringLiteral("Small"), {300, 2000}));
    Layer text;
    text.name = QStringLiteral("Title");
    text.origin = QPointF(600, 200);
    text.content = TextLayerAttributes{QStringLiteral("Velmaris"), QStringLiteral("DejaVu Sans"), 240, StoredColor{1, 1, 1, 1}, {}};
    state.layers.append(text);
    state.selectedLayerID = state.layers[3].id;
    document->commitState(std::move(state), QStringLiteral("Setup"));
    return document;
}

struct Stage {
    std::unique_ptr<ImageDocument> document = fiveLayerDocument();
    CanvasView view{document.get()};

    Stage()
    {
        view.resize(1280, 800);
        view.show();
        QSignalSpy shown(&view, &CanvasView::compositeShown);
        shown.wait(20000);
        settle();
    }
    void settle(int milliseconds = 300) { bench::settleEvents(milliseconds); }
    // Milliseconds the main thread spends delivering pending events, paints included.
    static double drain()
    {
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::processEvents();
        return timer.nsecsElapsed() / 1e6;
    }
    void mouse(QEvent::Type type, QPointF canvasPoint, Qt::MouseButtons buttons)
    {
        const QPointF position = view.mapFromScene(canvasPoint);
        QMouseEvent event(type, position, view.viewport()->mapToGlobal(position), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    }
};

void layerDrag(benchmark::State& state, bool fit)
{
    Stage stage;
    if (fit)
        stage.view.zoomToFit();
    else
        stage.view.setZoom(1);
    stage.view.centerOn(700, 2300);
    stage.settle();
    std::vector<double> times;
    for (auto _ : state) {
        times.clear();
        QElapsedTimer event;
        event.start();
        stage.mouse(QEvent::MouseButtonPress, {700, 2300}, Qt::LeftButton);
        times.push_back(event.nsecsElapsed() / 1e6 + Stage::drain());
        for (int step = 1; step <= 200; ++step) {
            event.restart();
            stage.mouse(QEvent::MouseMove, {700.0 + step, 2300.0 - step / 2.0}, Qt::LeftButton);
            times.push_back(event.nsecsElapsed() / 1e6 + Stage::drain());
            QThread::msleep(4);  // pointer events come a few milliseconds apart
        }
        event.restart();
        stage.mouse(QEvent::MouseButtonRelease, {900, 2200}, Qt::NoButton);
        times.push_back(event.nsecsElapsed() / 1e6 + Stage::drain());
        state.PauseTiming();
        stage.document->undoHistory();
        stage.settle();
        state.ResumeTiming();
    }
    bench::reportEventTimes(state, times);
}

void BM_LayerDragFitToWindow(benchmark::State& state) { layerDrag(state, true); }
void BM_LayerDragActualSize(benchmark::State& state) { layerDrag(state, false); }

void BM_MarchingAntsTick(benchmark::State& state)
{
    Stage stage;
    stage.view.setZoom(1);
    stage.document->setSelectionRect(QRectF(100, 100, 3800, 2800));
    stage.settle();
    std::vector<double> times;
    for (auto _ : state) {
        // Each tick's event delivery and the strip repaint it causes.
        QThread::msleep(85);
        times.push_back(Stage::drain());
    }
    bench::reportEventTimes(state, times);
}

void BM_ZoomAndScrollStepAtFit(benchmark::State& state)
{
    Stage stage;
    stage.view.zoomToFit();
    stage.settle();
    std::vector<double> zooms, scrolls;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        stage.view.zoomIn();
        zooms.push_back(timer.nsecsElapsed() / 1e6 + Stage::drain());
        timer.restart();
        stage.view.horizontalScrollBar()->setValue(stage.view.horizontalScrollBar()->value() + 40);
        scrolls.push_back(timer.nsecsElapsed() / 1e6 + Stage::drain());
        stage.view.zoomToFit();
        Stage::drain();
    }
    bench::reportEventTimes(state, zooms, "zoom_");
    bench::reportEventTimes(state, scrolls, "scroll_");
}

void BM_SixtyOpacityChanges(benchmark::State& state)
{
    Stage stage;
    stage.view.zoomToFit();
    stage.settle();
    std::vector<double> times;
    double appears = 0;
    for (auto _ : state) {
        times.clear();
        QSignalSpy shown(&stage.view, &CanvasView::compositeShown);
        QElapsedTimer total;
        total.start();
        for (int change = 0; change < 60; ++change) {
            QElapsedTimer event;
            event.start();
            CanvasState changed = stage.document->state();
            changed.layers[1].opacity = 0.3 + change / 100.0;
            stage.document->setLiveState(std::move(changed));
            times.push_back(event.nsecsElapsed() / 1e6 + Stage::drain());
            QThread::msleep(16);  // a slider moves about once a frame
        }
        const double lastChange = total.nsecsElapsed() / 1e6;
        while (stage.view.isCompositeRendering())
            shown.wait(50);
        appears = total.nsecsElapsed() / 1e6 - lastChange;
        stage.settle(100);
    }
    bench::reportEventTimes(state, times);
    state.counters["final_composite_after_ms"] = appears;
}

void BM_BlurPreviewToScreen(benchmark::State& state)
{
    Stage stage;
    stage.view.zoomToFit();
    stage.settle();
    const FilterDescriptor* blur = findFilter(QStringLiteral("gaussianBlur"));
    double sigma = 10;
    for (auto _ : state) {
        FilterInstance instance = FilterInstance::withDefaults(*blur);
        instance.setValue(QStringLiteral("radius"), sigma);
        sigma = sigma == 10 ? 10.5 : 10;  // a new value each time, as a slider gives
        QSignalSpy shown(&stage.view, &CanvasView::compositeShown);
        QElapsedTimer timer;
        timer.start();
        updateFilterPreview(*stage.document, instance);
        while (!shown.count() || stage.view.isCompositeRendering())
            shown.wait(5);
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
}

}  // namespace

BENCHMARK(BM_LayerDragFitToWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LayerDragActualSize)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MarchingAntsTick)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_ZoomAndScrollStepAtFit)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_SixtyOpacityChanges)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BlurPreviewToScreen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QApplication>(argc, argv);
}
