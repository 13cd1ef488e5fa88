// Main-thread cost of the layers panel reloading over a 4000 × 3000 document of 100 layers (two of
// canvas size, the rest smaller; every tenth a text layer), paint of the list included. The goal is
// one frame (16 ms) per reload. The baseline is the document announcing the same change with no
// panel listening.
#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "document/ImageDocument.h"
#include "window/LayerListModel.h"
#include "window/LayerThumbnails.h"
#include "window/LayersPanel.h"

#include <QApplication>
#include <QListView>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace velmaris;

namespace {

constexpr int kLayers = 100;

CanvasState hundredLayers()
{
    CanvasState state;
    state.size = QSizeF(4000, 3000);
    const Bitmap full = bench::photoLikeBitmap(4000, 3000, 1);
    const Bitmap part = bench::photoLikeBitmap(500, 375, 2, false);
    for (int index = 0; index < kLayers; ++index) {
        const QString name = QStringLiteral("Layer %1").arg(index + 1);
        if (index % 10 == 9) {
            Layer text;
            text.name = name;
            text.origin = QPointF(40 * index, 30 * index);
            text.content = TextLayerAttributes{name, QStringLiteral("DejaVu Sans"), 120, StoredColor{0, 0, 0, 1}, {}};
            state.layers.append(text);
        } else if (index < 2) {
            state.layers.append(makeBitmapLayer(std::move(*BitmapBuilder::copyOf(full)).build(), name));
        } else {
            // Each layer its own pixels, as after real edits.
            state.layers.append(makeBitmapLayer(std::move(*BitmapBuilder::copyOf(part)).build(), name,
                                                QPointF(35 * index, 25 * index)));
        }
    }
    state.selectedLayerID = state.layers.last().id;
    return state;
}

std::unique_ptr<ImageDocument> benchDocument()
{
    auto document = std::make_unique<ImageDocument>(DocumentDefaults{4000, 3000, CanvasBackground::transparent, {}, 50});
    document->commitState(hundredLayers(), QStringLiteral("Setup"));
    return document;
}

// A shown panel whose visible thumbnails are all drawn.
struct Stage {
    std::unique_ptr<ImageDocument> document = benchDocument();
    LayersPanel panel{document.get()};

    Stage()
    {
        panel.resize(260, 900);
        panel.show();
        (void)QTest::qWaitForWindowExposed(&panel);
        settle();
    }
    void settle()
    {
        LayerThumbnails* thumbnails = panel.model()->thumbnails();
        do {
            panel.listView()->viewport()->repaint();
            QTest::qWait(20);
        } while (!thumbnails->isIdle());
    }
    // What a slider move does: the primary layer's opacity changes, the stack does not.
    CanvasState withOpacity(int iteration) const
    {
        CanvasState state = document->state();
        state.layers.last().opacity = (iteration % 100) / 100.0;
        return state;
    }
};

void BM_AnnouncementWithoutPanel(benchmark::State& state)
{
    auto document = benchDocument();
    int iteration = 0;
    for (auto _ : state) {
        CanvasState next = document->state();
        next.layers.last().opacity = (++iteration % 100) / 100.0;
        document->setLiveState(std::move(next));
    }
}
BENCHMARK(BM_AnnouncementWithoutPanel)->Unit(benchmark::kMillisecond);

// Same rows, new contents: rows are updated, not reset.
void BM_PanelReloadSameStack(benchmark::State& state)
{
    Stage stage;
    int iteration = 0;
    for (auto _ : state) {
        stage.document->setLiveState(stage.withOpacity(++iteration));
        stage.panel.listView()->viewport()->repaint();
    }
}
BENCHMARK(BM_PanelReloadSameStack)->Unit(benchmark::kMillisecond);

// A reorder: the list is reset and the selection shown again.
void BM_PanelReloadReorderedStack(benchmark::State& state)
{
    Stage stage;
    for (auto _ : state) {
        CanvasState next = stage.document->state();
        next.layers.swapItemsAt(kLayers - 2, kLayers - 3);
        stage.document->setLiveState(std::move(next));
        stage.panel.listView()->viewport()->repaint();
    }
}
BENCHMARK(BM_PanelReloadReorderedStack)->Unit(benchmark::kMillisecond);

// Every shown layer has new pixels: the reload only queues the thumbnails.
void BM_PanelReloadNewPixels(benchmark::State& state)
{
    Stage stage;
    const Bitmap part = bench::photoLikeBitmap(500, 375, 3, false);
    for (auto _ : state) {
        state.PauseTiming();
        stage.settle();
        CanvasState next = stage.document->state();
        for (Layer& layer : next.layers)
            if (layer.bitmap())
                layer.content = std::move(*BitmapBuilder::copyOf(layer.origin.isNull() ? *layer.bitmap() : part)).build();
        state.ResumeTiming();
        stage.document->setLiveState(std::move(next));
        stage.panel.listView()->viewport()->repaint();
    }
}
BENCHMARK(BM_PanelReloadNewPixels)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return bench::runInQtApplication<QApplication>(argc, argv);
}
