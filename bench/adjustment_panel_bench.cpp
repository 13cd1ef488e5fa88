// The adjustment panel dragged over a 4000 × 3000 document of five layers shown in the canvas:
// how long the main thread stalls at worst while the Gaussian Blur radius slider moves at 60 Hz,
// how long after the last move the preview of the final value is on screen (at the size the canvas
// shows it) and how long until it is there at full size. The baseline is the same preview rendered
// synchronously at full size, which is what every move would cost if the canvas rendered on the
// main thread. Figures are counters in milliseconds.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "window/AdjustmentPanel.h"
#include "window/FocusableSlider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace velmaris;

namespace {

constexpr int kMoves = 30;
constexpr int kFrameMs = 16;

std::unique_ptr<ImageDocument> documentOfFiveLayers()
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{4000, 3000, CanvasBackground::white, {}, 50});
    CanvasState state = document->state();
    state.layers.clear();
    const QRect boxes[] = {{0, 0, 4000, 3000}, {300, 200, 2400, 1800}, {1800, 900, 2000, 1600},
                           {600, 1700, 1200, 1000}, {2600, 300, 1000, 700}};
    unsigned seed = 11;
    for (const QRect& box : boxes) {
        state.layers.append(makeBitmapLayer(bench::photoLikeBitmap(box.width(), box.height(), seed, seed == 11),
                                            QStringLiteral("Layer %1").arg(seed), box.topLeft()));
        ++seed;
    }
    state.selectedLayerID = state.layers[0].id;  // the whole-canvas photo: the dearest blur
    document->commitState(std::move(state), QStringLiteral("Setup"));
    return document;
}

void turnEventLoop(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The longest main-thread CPU time of one drain: the work itself, without the time the thread
// waited for a core on a loaded machine.
double longestDrainCpuMs = 0;

// Milliseconds the main thread spends delivering what is pending, paints included.
double drain()
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadCpuMs();
    QCoreApplication::processEvents();
    longestDrainCpuMs = std::max(longestDrainCpuMs, threadCpuMs() - cpu);
    return timer.nsecsElapsed() / 1e6;
}

struct Stage {
    std::unique_ptr<ImageDocument> document = documentOfFiveLayers();
    CanvasView view{document.get()};
    AdjustmentPanel* panel = nullptr;
    FocusableSlider* slider = nullptr;

    Stage()
    {
        view.resize(1280, 800);
        view.show();
        view.zoomToFit();
        waitForFinalComposite();
        panel = new AdjustmentPanel(document.get(), *findFilter(QStringLiteral("gaussianBlur")), &view);
        panel->show();
        panel->updatePreview();
        slider = panel->slider(QStringLiteral("inputRadius"));
        waitForFinalComposite();
    }
    ~Stage() { delete panel; }

    void waitForFinalComposite()
    {
        QSignalSpy shown(&view, &CanvasView::compositeShown);
        while (!shown.count() || view.isCompositeRendering())
            shown.wait(5);
        turnEventLoop(50);
    }
    QPoint handleCentre() const
    {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    }
    void mouse(QEvent::Type type, QPoint position, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, position, slider->mapToGlobal(position), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(slider, &event);
    }
};

void BM_SliderDragOverBlurPreview(benchmark::State& state)
{
    Stage stage;
    longestDrainCpuMs = 0;
    double lastMoveToScreen = 0;
    double lastMoveToFullSize = 0;
    std::vector<double> stalls;
    double longestPointerEvent = 0;  // a press, move or release and what it sets off at once
    const auto note = [&](double milliseconds) { stalls.push_back(milliseconds); };
    const auto notePointer = [&](double milliseconds) {
        note(milliseconds);
        longestPointerEvent = std::max(longestPointerEvent, milliseconds);
    };
    for (auto _ : state) {
        stage.slider->setDoubleValue(10);
        QPoint at = stage.handleCentre();
        QElapsedTimer event;
        event.start();
        stage.mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        notePointer(event.nsecsElapsed() / 1e6 + drain());
        QElapsedTimer sinceLastMove;
        for (int move = 0; move < kMoves; ++move) {
            at.rx() += 2;
            event.restart();
            stage.mouse(QEvent::MouseMove, at, Qt::LeftButton);
            sinceLastMove.start();
            notePointer(event.nsecsElapsed() / 1e6 + drain());
            // The rest of the frame the event loop keeps turning, as it would between pointer events.
            while (event.elapsed() < kFrameMs) {
                note(drain());
                QThread::msleep(1);
            }
        }
        event.restart();
        stage.mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
        notePointer(event.nsecsElapsed() / 1e6 + drain());
        // The first frame of the final value, perhaps shown before the release.
        while (!stage.view.isShowingNewestComposite()) {
            note(drain());
            QThread::msleep(1);
        }
        note(drain());  // its paint
        lastMoveToScreen = sinceLastMove.nsecsElapsed() / 1e6;
        while (stage.view.isCompositeRendering()) {
            note(drain());
            QThread::msleep(1);
        }
        note(drain());  // the paint of the full-size preview
        lastMoveToFullSize = sinceLastMove.nsecsElapsed() / 1e6;
        state.PauseTiming();
        stage.document->setFilterPreview(std::nullopt);
        stage.waitForFinalComposite();
        state.ResumeTiming();
    }
    std::sort(stalls.begin(), stalls.end());
    state.counters["longest_stall_ms"] = stalls.back();
    state.counters["p99_stall_ms"] = stalls[stalls.size() * 99 / 100];
    state.counters["median_stall_ms"] = stalls[stalls.size() / 2];
    state.counters["longest_pointer_event_ms"] = longestPointerEvent;
    state.counters["longest_stall_cpu_ms"] = longestDrainCpuMs;
    state.counters["last_move_to_screen_ms"] = lastMoveToScreen;
    state.counters["last_move_to_full_size_ms"] = lastMoveToFullSize;
    state.counters["radius_reached"] = stage.slider->doubleValue();
}

// The baseline: the final preview rendered on the calling thread.
void BM_SynchronousPreviewRender(benchmark::State& state)
{
    Stage stage;
    stage.slider->setDoubleValue(10);
    const QPoint at = stage.handleCentre() + QPoint(2 * kMoves, 0);
    stage.mouse(QEvent::MouseButtonPress, stage.handleCentre(), Qt::LeftButton);
    stage.mouse(QEvent::MouseMove, at, Qt::LeftButton);
    stage.mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    stage.waitForFinalComposite();
    for (auto _ : state)
        benchmark::DoNotOptimize(stage.document->renderLiveComposite());
    state.counters["radius"] = stage.slider->doubleValue();
}

}  // namespace

BENCHMARK(BM_SynchronousPreviewRender)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SliderDragOverBlurPreview)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QApplication>(argc, argv);
}
