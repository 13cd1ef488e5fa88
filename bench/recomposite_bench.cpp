#include "BenchImages.h"
#include "QtBenchmarkMain.h"
#include "model/StyledText.h"
#include "render/Compositor.h"
#include "render/DisplayImage.h"
#include "render/RenderCaches.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace velmaris {
namespace {

constexpr int kWidth = 4000, kHeight = 3000;

Layer textLayer(const QString& string, QPointF origin, double size)
{
    Layer layer;
    layer.name = string;
    layer.origin = origin;
    layer.content = TextLayerAttributes{string, "DejaVu Sans", size, StoredColor{1, 1, 1, 1}, {}};
    return layer;
}

// A 4000 × 3000 document of ten layers: a photo background, five half-size photo layers, two
// shadowed photo cut-outs and two text layers, one of them shadowed too.
const CanvasState& document()
{
    static const CanvasState state = [] {
        CanvasState made;
        made.size = QSizeF(kWidth, kHeight);
        made.layers.append(makeBitmapLayer(bench::photoLikeBitmap(kWidth, kHeight, 1), "Background"));
        for (int i = 0; i < 5; ++i)
            made.layers.append(makeBitmapLayer(bench::photoLikeBitmap(2000, 1500, unsigned(2 + i), false),
                                               QStringLiteral("Photo %1").arg(i), QPointF(300 * i, 250 * i)));
        for (int i = 0; i < 2; ++i) {
            Layer cutOut = makeBitmapLayer(bench::photoLikeBitmap(1200, 900, unsigned(10 + i), false),
                                           QStringLiteral("Cut-out %1").arg(i), QPointF(2500, 200 + 1400 * i));
            cutOut.effects.shadow = ShadowEffect{StoredColor{0, 0, 0, 0.6}, QSizeF(12, 12), 24};
            made.layers.append(cutOut);
        }
        Layer title = textLayer(QStringLiteral("Velmaris at dusk\nsecond line of the caption"), {200, 2200}, 160);
        title.effects.shadow = ShadowEffect{};
        made.layers.append(title);
        made.layers.append(textLayer(QStringLiteral("© 2026 the photographer"), {2800, 2850}, 64));
        return made;
    }();
    return state;
}

// Moves the top photo layer by a pixel and a half, back and forth, and recomposites.
void recompositeAfterMoves(benchmark::State& benchState, bool clearCaches)
{
    CanvasState state = document();
    clearRenderCaches();
    benchmark::DoNotOptimize(renderComposite(state));
    int step = 0;
    for (auto _ : benchState) {
        if (clearCaches)
            clearRenderCaches();
        state.layers[5].origin += QPointF(step % 2 ? -1.5 : 1.5, 0);
        ++step;
        benchmark::DoNotOptimize(renderComposite(state));
    }
}

// Before the caches: every recomposite lays out and draws the text and blurs every shadow.
void BM_RecompositeAfterMoveColdCaches(benchmark::State& state)
{
    recompositeAfterMoves(state, true);
}
BENCHMARK(BM_RecompositeAfterMoveColdCaches)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_RecompositeAfterMoveWarmCaches(benchmark::State& state)
{
    recompositeAfterMoves(state, false);
}
BENCHMARK(BM_RecompositeAfterMoveWarmCaches)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The hit-test query: a text layer's box, measured afresh (before) and remembered (after).
void BM_TextLayerBoxMeasured(benchmark::State& state)
{
    const Layer& layer = document().layers[8];
    for (auto _ : state)
        benchmark::DoNotOptimize(textLayerPixelSize(measureStyledText(styledText(*layer.text()))));
}
BENCHMARK(BM_TextLayerBoxMeasured)->Unit(benchmark::kMicrosecond);

void BM_TextLayerBoxRemembered(benchmark::State& state)
{
    const Layer& layer = document().layers[8];
    for (auto _ : state)
        benchmark::DoNotOptimize(layer.box());
}
BENCHMARK(BM_TextLayerBoxRemembered)->Unit(benchmark::kMicrosecond);

// The composite handed to the canvas: our parallel swizzle against Qt's own conversion.
void BM_DisplayImageQtConversion(benchmark::State& state)
{
    const Bitmap& background = *document().layers[0].bitmap();
    for (auto _ : state)
        benchmark::DoNotOptimize(background.image().convertToFormat(kDisplayFormat));
}
BENCHMARK(BM_DisplayImageQtConversion)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DisplayImage(benchmark::State& state)
{
    const Bitmap& background = *document().layers[0].bitmap();
    for (auto _ : state)
        benchmark::DoNotOptimize(displayImage(background));
}
BENCHMARK(BM_DisplayImage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmaris

int main(int argc, char** argv)
{
    return velmaris::bench::runInQtApplication<QGuiApplication>(argc, argv);
}
