#include "render/CompositeBaseCache.h"
#include "render/Compositor.h"
#include "render/EffectSilhouette.h"
#include "render/Parallel.h"
#include "render/ReducedComposite.h"
#include "render/RenderCaches.h"
#include "render/RenderCancellation.h"
#include "render/TextRasterizer.h"

#include "model/StyledTextLayout.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <atomic>

namespace velmaris {
namespace {

// The expensive work done so far: text layouts, text images drawn and effect silhouettes made.
struct Work {
    std::uint64_t layouts = 0;
    std::uint64_t textImages = 0;
    std::uint64_t silhouettes = 0;
    friend bool operator==(const Work&, const Work&) = default;
};

Work workSoFar()
{
    return {StyledTextLayout::madeCount(), textRasterCacheCounts().misses, effectSilhouetteCacheCounts().misses};
}

std::ostream& operator<<(std::ostream& out, const Work& work)
{
    return out << work.layouts << " layouts, " << work.textImages << " text images, " << work.silhouettes
               << " silhouettes";
}

Layer textLayer(const QString& string, QPointF origin)
{
    Layer layer;
    layer.name = string;
    layer.origin = origin;
    layer.content = TextLayerAttributes{string, "DejaVu Sans", 18, StoredColor{0.2, 0.1, 0.9, 1}, {}};
    return layer;
}

// A background, a shadowed text layer, a bitmap with every effect and a plain text layer.
CanvasState effectsCanvas()
{
    CanvasState state;
    state.size = QSizeF(120, 90);
    state.layers.append(makeBitmapLayer(test::randomBitmap(120, 90, 7), "Background"));
    Layer shadowed = textLayer("Shadow", {10, 8});
    shadowed.effects.shadow = ShadowEffect{};
    state.layers.append(shadowed);
    Layer styled = makeBitmapLayer(test::randomBitmap(40, 30, 8), "Styled", {50, 40});
    styled.effects.shadow = ShadowEffect{StoredColor{0, 0, 0, 0.7}, QSizeF(3, 5), 4};
    styled.effects.stroke = StrokeEffect{StoredColor{1, 1, 0, 1}, 2};
    styled.effects.glow = GlowEffect{StoredColor{0, 1, 1, 0.5}, 3};
    styled.opacity = 0.8;
    state.layers.append(styled);
    state.layers.append(textLayer("Plain", {60, 10}));
    return state;
}

// Renders with whatever the caches hold, then again from cold caches: the pixels must agree.
void expectSameAsCold(const CanvasState& state)
{
    const std::optional<Bitmap> warm = renderComposite(state);
    clearRenderCaches();
    const std::optional<Bitmap> cold = renderComposite(state);
    ASSERT_TRUE(warm && cold);
    EXPECT_TRUE(test::samePixels(*warm, *cold));
}

TEST(RenderCaches, RedrawAfterAMoveLaysOutNoTextAndMakesNoSilhouette)
{
    CanvasState state = effectsCanvas();
    clearRenderCaches();
    ASSERT_TRUE(renderComposite(state));
    for (const Layer& layer : state.layers)
        layer.box();
    const Work warmed = workSoFar();

    // A drag: hit tests ask for every box, layers move by fractions, the composite is redrawn.
    for (int step = 1; step <= 3; ++step) {
        for (const Layer& layer : state.layers)
            EXPECT_FALSE(layer.box().isEmpty());
        state.layers[1].origin += QPointF(1.5, -0.25);
        state.layers[2].origin += QPointF(-2, 3.75);
        ASSERT_TRUE(renderComposite(state));
    }
    EXPECT_EQ(workSoFar(), warmed);

    const std::uint64_t layoutsBeforeCold = StyledTextLayout::madeCount();
    expectSameAsCold(state);
    EXPECT_GT(StyledTextLayout::madeCount(), layoutsBeforeCold);  // the cold render really laid out
}

TEST(RenderCaches, ChangedTextOrEffectValuesAreDrawnAnew)
{
    CanvasState state = effectsCanvas();
    clearRenderCaches();
    ASSERT_TRUE(renderComposite(state));

    // New shadow values blur that layer again, and only that one; no text is laid out.
    // (The cold comparison leaves the caches warm for the next step.)
    Work before = workSoFar();
    state.layers[1].effects.shadow->blur = 9;
    ASSERT_TRUE(renderComposite(state));
    EXPECT_EQ(workSoFar(), (Work{before.layouts, before.textImages, before.silhouettes + 1}));
    expectSameAsCold(state);
    before = workSoFar();
    state.layers[2].effects.shadow->color = StoredColor{0.5, 0, 0, 1};
    ASSERT_TRUE(renderComposite(state));
    EXPECT_EQ(workSoFar(), (Work{before.layouts, before.textImages, before.silhouettes + 1}));
    expectSameAsCold(state);

    // Changed text is laid out and drawn again, and its shadow follows the new image.
    before = workSoFar();
    std::get<TextLayerAttributes>(state.layers[1].content).string = QStringLiteral("Shadows");
    ASSERT_TRUE(renderComposite(state));
    const Work after = workSoFar();
    EXPECT_GT(after.layouts, before.layouts);
    EXPECT_EQ(after.textImages, before.textImages + 1);
    EXPECT_EQ(after.silhouettes, before.silhouettes + 1);
    expectSameAsCold(state);

    // Equal pixels in a new bitmap are a new identity: its silhouettes are made for it, never taken
    // from the bitmap the cache saw before.
    before = workSoFar();
    state.layers[2].content = test::solidBitmap(40, 30, {0, 0, 255, 255});
    ASSERT_TRUE(renderComposite(state));
    EXPECT_EQ(workSoFar().silhouettes, before.silhouettes + 3);
    expectSameAsCold(state);
}

TEST(RenderCaches, ARedrawStartsFromTheLayersUnderTheChangedOne)
{
    CanvasState state = effectsCanvas();
    clearRenderCaches();
    const auto movedRender = [&](int index, QPointF by) {
        state.layers[index].origin += by;
        return renderComposite(state);
    };
    ASSERT_TRUE(movedRender(2, {1, 1}));
    ASSERT_TRUE(movedRender(2, {1, 1}));  // keeps what lies under layer 2
    std::uint64_t hits = compositeBaseCounts().hits;
    const std::optional<Bitmap> dragged = movedRender(2, {0.5, -2});
    EXPECT_EQ(compositeBaseCounts().hits, hits + 1);

    // Nothing changed (the selection moved, say): the same pixels come back, drawn once.
    const std::optional<Bitmap> again = renderComposite(state);
    const std::optional<Bitmap> unchanged = renderComposite(state);
    ASSERT_TRUE(dragged && again && unchanged);
    EXPECT_TRUE(test::samePixels(*again, *dragged));
    EXPECT_TRUE(unchanged->sharesPixelsWith(*again));
    expectSameAsCold(state);

    // A change under the kept base, a hidden layer, an excluded one or a preview never reuses
    // pixels that no longer hold.
    ASSERT_TRUE(movedRender(3, {2, 0}));
    ASSERT_TRUE(movedRender(3, {2, 0}));
    state.layers[0].content = test::randomBitmap(120, 90, 99);
    expectSameAsCold(state);
    ASSERT_TRUE(movedRender(3, {2, 0}));
    state.layers[1].isVisible = false;
    expectSameAsCold(state);
    ASSERT_TRUE(movedRender(3, {2, 0}));
    ASSERT_TRUE(movedRender(3, {2, 0}));
    const QSet<QUuid> excluded{state.layers[2].id};
    const std::optional<Bitmap> withoutLayer2 = renderComposite(state, nullptr, excluded);
    clearRenderCaches();
    ASSERT_TRUE(withoutLayer2);
    EXPECT_TRUE(test::samePixels(*withoutLayer2, *renderComposite(state, nullptr, excluded)));

    LayerPreview preview;
    preview.layerID = state.layers[0].id;
    preview.filter = [](const Bitmap& image) { return test::solidBitmap(image.width(), image.height(), {9, 9, 9, 9}); };
    ASSERT_TRUE(movedRender(3, {2, 0}));
    ASSERT_TRUE(movedRender(3, {2, 0}));
    hits = compositeBaseCounts().hits;
    const std::optional<Bitmap> previewed = renderComposite(state, &preview);
    EXPECT_EQ(compositeBaseCounts().hits, hits);
    clearRenderCaches();
    ASSERT_TRUE(previewed);
    EXPECT_TRUE(test::samePixels(*previewed, *renderComposite(state, &preview)));
}

TEST(RenderCaches, PreviewsAtReducedAndFullSizeEachKeepTheirBase)
{
    CanvasState state = effectsCanvas();
    clearRenderCaches();
    LayerPreview preview;
    preview.layerID = state.layers.last().id;
    preview.filter = [](const Bitmap& image) { return test::solidBitmap(image.width(), image.height(), {9, 9, 9, 9}); };
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(renderReducedComposite(state, 1, &preview));
        ASSERT_TRUE(renderComposite(state, &preview));
    }
    const std::uint64_t hits = compositeBaseCounts().hits;
    const std::optional<Bitmap> reduced = renderReducedComposite(state, 1, &preview);
    const std::optional<Bitmap> full = renderComposite(state, &preview);
    EXPECT_EQ(compositeBaseCounts().hits, hits + 2);
    EXPECT_EQ(compositeBaseCounts().entries, 2u);
    clearRenderCaches();
    ASSERT_TRUE(reduced && full);
    EXPECT_TRUE(test::samePixels(*reduced, *renderReducedComposite(state, 1, &preview)));
    EXPECT_TRUE(test::samePixels(*full, *renderComposite(state, &preview)));
}

TEST(RenderCaches, CancellationStopsBetweenLayersAndBandsAndCachesNothingIncomplete)
{
    clearRenderCaches();
    CanvasState state = effectsCanvas();
    RenderCancellation early;
    early.cancel();
    EXPECT_FALSE(renderComposite(state, nullptr, {}, &early));
    EXPECT_EQ(effectSilhouetteCacheCounts().entries, 0u);

    // The background's preview filter cancels the render it runs in, then starts a parallel loop.
    RenderCancellation midway;
    std::atomic<int> bandsRun{0};
    constexpr int kRows = 4096;
    LayerPreview preview;
    preview.layerID = state.layers[0].id;
    preview.filter = [&](const Bitmap& image) {
        midway.cancel();
        parallelRows(kRows, [&](int, int) { ++bandsRun; }, 1);
        return image;
    };
    const Work before = workSoFar();
    EXPECT_FALSE(renderComposite(state, &preview, {}, &midway));
    EXPECT_LT(bandsRun.load(), kRows);
    EXPECT_EQ(workSoFar(), before);  // the layers above were never drawn

    // A silhouette finished while its render was cancelled is handed back but not remembered.
    const Bitmap source = test::randomBitmap(20, 20, 3);
    EXPECT_TRUE(cachedEffectSilhouette(source, StoredColor{}, 1, 2, &early));
    EXPECT_EQ(effectSilhouetteCacheCounts().entries, 0u);
    const auto made = cachedEffectSilhouette(source, StoredColor{}, 1, 2);
    const auto remembered = cachedEffectSilhouette(source, StoredColor{}, 1, 2);
    ASSERT_TRUE(made && remembered);
    EXPECT_TRUE(made->image.sharesPixelsWith(remembered->image));
    EXPECT_TRUE(test::samePixels(made->image, makeEffectSilhouette(source, StoredColor{}, 1, 2)->image));
}

}  // namespace
}  // namespace velmaris
