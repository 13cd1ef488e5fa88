// Painting a 2,000-sample brush stroke on a 4000 × 3000 layer, at 100 % and at fit: main-thread time
// per pointer event, paint included (goal p99 ≤ 8 ms, none over 16 ms), the time from a pointer
// event to the end of the paint that shows it, the release, and the longest turn of the event loop
// until the stroke's history step is in (its pixels are made by a worker). The
// baseline is compositing the whole canvas once, what a naive canvas would do per event. Figures
// are counters in milliseconds.
#include "BenchImages.h"
#include "EventTimes.h"
#include "QtBenchmarkMain.h"
#include "canvas/CanvasView.h"
#include "canvas/tools/BrushTool.h"
#include "document/ImageDocument.h"
#include "render/Compositor.h"
#include "render/CompositeBaseCache.h"
#include "render/RenderCaches.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace velmaris;

namespace {

constexpr int kSamples = 2000;

// A photo to paint on with a smaller layer above it.
CanvasState paintingState()
{
    CanvasState state;
    state.size = QSizeF(4000, 3000);
    state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(4000, 3000, 1), QStringLiteral("Photo")));
    state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(800, 600, 4), QStringLiteral("Above"), {1800, 1300}));
    state.selectedLayerID = state.layers[0].id;
    return state;
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Stage {
    std::unique_ptr<ImageDocument> document =
        std::make_unique<ImageDocument>(DocumentDefaults{4000, 3000, CanvasBackground::transparent, {}, 50});
    std::unique_ptr<CanvasView> view;
    PaintCounter counter;

    Stage()
    {
        document->commitState(paintingState(), QStringLiteral("Setup"));
        view = std::make_unique<CanvasView>(document.get());
        view->resize(1280, 800);
        view->show();
        QSignalSpy shown(view.get(), &CanvasView::compositeShown);
        shown.wait(20000);
        view->viewport()->installEventFilter(&counter);
        brush().setSettings(BrushSettings{BrushPreset::softRound, 40, 1, 0.6});
        view->setTool(EditorTool::brush);
        settle();
    }
    void settle(int milliseconds = 300) { bench::settleEvents(milliseconds); }
    BrushTool& brush() const { return static_cast<BrushTool&>(view->toolObject(EditorTool::brush)); }
    void mouse(QEvent::Type type, QPointF canvasPoint, Qt::MouseButtons buttons, quint64 timestamp)
    {
        const QPointF position = view->mapFromScene(canvasPoint);
        QMouseEvent event(type, position, view->viewport()->mapToGlobal(position), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        event.setTimestamp(timestamp);
        QCoreApplication::sendEvent(view->viewport(), &event);
    }
};

void brushStroke(benchmark::State& state, bool fit)
{
    Stage stage;
    if (fit)
        stage.view->zoomToFit();
    else
        stage.view->setZoom(1);
    const QPointF centre(2000, 1500);
    stage.view->centerOn(centre);
    stage.settle();
    // A wave across what the view shows at 100 %, so that every sample is painted on screen.
    const auto sample = [&](int i) {
        const double t = double(i) / kSamples;
        return centre + QPointF((t - 0.5) * 1100, 300 * std::sin(t * 12 * M_PI));
    };
    std::vector<double> events, toScreen;
    double release = 0, commitStep = 0, committed = 0;
    int paints = 0;
    for (auto _ : state) {
        events.clear();
        toScreen.clear();
        quint64 timestamp = 1000;
        stage.counter.paints = 0;
        for (int i = 0; i <= kSamples; ++i) {
            QElapsedTimer timer;
            timer.start();
            stage.mouse(i == 0 ? QEvent::MouseButtonPress : QEvent::MouseMove, sample(i), Qt::LeftButton, timestamp);
            events.push_back(timer.nsecsElapsed() / 1e6);
            // The repaint it asked for: delivered by the next turn of the event loop.
            QCoreApplication::processEvents();
            toScreen.push_back(timer.nsecsElapsed() / 1e6);
            timestamp += 4;
            QThread::msleep(2);  // pointer events come a few milliseconds apart
        }
        paints = stage.counter.paints;
        QElapsedTimer timer;
        timer.start();
        stage.mouse(QEvent::MouseButtonRelease, sample(kSamples), Qt::NoButton, timestamp);
        release = timer.nsecsElapsed() / 1e6;
        // The history step lands from the main thread once a worker has made the layer's pixels.
        commitStep = 0;
        while (stage.brush().isCommitting()) {
            QElapsedTimer turn;
            turn.start();
            QCoreApplication::processEvents();
            commitStep = std::max(commitStep, turn.nsecsElapsed() / 1e6);
            QThread::msleep(1);
        }
        committed = timer.nsecsElapsed() / 1e6;
        state.PauseTiming();
        stage.settle(500);
        stage.document->undoHistory();
        stage.settle();
        state.ResumeTiming();
    }
    bench::reportEventTimes(state, events, "event_");
    bench::reportEventTimes(state, toScreen, "to_screen_");
    state.counters["release_ms"] = release;
    state.counters["commit_turn_max_ms"] = commitStep;
    state.counters["committed_after_ms"] = committed;
    state.counters["paints"] = paints;
}

void BM_BrushStrokeActualSize(benchmark::State& state) { brushStroke(state, false); }
void BM_BrushStrokeFitToWindow(benchmark::State& state) { brushStroke(state, true); }

// The baseline: compositing the whole canvas once, with nothing cached.
void BM_FullCompositeBaseline(benchmark::State& state)
{
    const CanvasState canvas = paintingState();
    for (auto _ : state) {
        clearRenderCaches();
        clearCompositeBase();
        benchmark::DoNotOptimize(renderComposite(canvas));
    }
}

}  // namespace

BENCHMARK(BM_BrushStrokeActualSize)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BrushStrokeFitToWindow)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FullCompositeBaseline)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QApplication>(argc, argv);
}
