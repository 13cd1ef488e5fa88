#include "render/Compositor.h"

#include "render/EffectSilhouette.h"
#include "render/RenderCancellation.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>

namespace velmaris {
namespace {

using test::pixelAt;
using test::Rgba;
using test::bitmapLayer;

CanvasState canvasOf(QSizeF size, std::initializer_list<Layer> layers)
{
    CanvasState state;
    state.size = size;
    for (const Layer& layer : layers)
        state.layers.append(layer);
    return state;
}

bool isTransparent(const Bitmap& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixelAt(image, x, y)[3] != 0)
                return false;
    return true;
}

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

TEST(Compositor, CanvasSizeRoundsHalvesAwayFromZeroAndRefusesEmptyCanvases)
{
    EXPECT_FALSE(renderComposite(canvasOf({0.4, 100}, {})));
    const auto image = renderComposite(canvasOf({99.5, 10}, {}));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(100, 10));
    EXPECT_TRUE(isTransparent(*image));
}

TEST(Compositor, StacksBottomFirstAndCutsLayersAtTheCanvasEdge)
{
    const auto image = renderComposite(canvasOf(
        {10, 10}, {bitmapLayer(test::solidBitmap(10, 10, kRed)), bitmapLayer(test::solidBitmap(6, 6, kBlue), {7, -2})}));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 0, 0), kRed);
    EXPECT_EQ(pixelAt(*image, 9, 0), kBlue);
    EXPECT_EQ(pixelAt(*image, 9, 3), kBlue);
    EXPECT_EQ(pixelAt(*image, 9, 4), kRed);
    EXPECT_EQ(pixelAt(*image, 6, 0), kRed);
}

TEST(Compositor, APlainLayerCoveringTheCanvasIsTheCompositeItselfAndStaysUntouchedUnderOthers)
{
    const Bitmap red = test::solidBitmap(10, 10, kRed);
    const auto alone = renderComposite(canvasOf({10, 10}, {bitmapLayer(red)}));
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->bits(), red.bits());

    // Drawn over, the layer's own pixels stay as they were.
    const auto covered = renderComposite(
        canvasOf({10, 10}, {bitmapLayer(red), bitmapLayer(test::solidBitmap(4, 4, kBlue), {2, 2})}));
    ASSERT_TRUE(covered);
    EXPECT_EQ(pixelAt(*covered, 3, 3), kBlue);
    EXPECT_EQ(pixelAt(red, 3, 3), kRed);

    // Anything that changes how it is drawn, and the layer is blended as before.
    Layer faded = bitmapLayer(red);
    faded.opacity = 0.5;
    Layer moved = bitmapLayer(red, {1, 0});
    Layer screened = bitmapLayer(red);
    screened.blendMode = LayerBlendMode::screen;
    for (const Layer& layer : {faded, moved, screened}) {
        const auto image = renderComposite(canvasOf({10, 10}, {layer}));
        ASSERT_TRUE(image);
        EXPECT_NE(image->bits(), red.bits());
    }
    EXPECT_EQ(pixelAt(*renderComposite(canvasOf({10, 10}, {moved})), 0, 0), (Rgba{0, 0, 0, 0}));
    EXPECT_NEAR(pixelAt(*renderComposite(canvasOf({10, 10}, {faded})), 0, 0)[3], 128, 1);
}

TEST(Compositor, HiddenExcludedAndFullyTransparentLayersDrawNothingNotEvenEffects)
{
    Layer layer = bitmapLayer(test::solidBitmap(4, 4, kRed), {8, 8});
    layer.effects.glow = GlowEffect{{1, 1, 0, 1}, 3};
    layer.effects.stroke = StrokeEffect{{0, 1, 0, 1}, 2};
    layer.effects.shadow = ShadowEffect{};

    Layer hidden = layer;
    hidden.isVisible = false;
    EXPECT_TRUE(isTransparent(*renderComposite(canvasOf({20, 20}, {hidden}))));

    Layer invisible = layer;
    invisible.opacity = 0;
    EXPECT_TRUE(isTransparent(*renderComposite(canvasOf({20, 20}, {invisible}))));

    EXPECT_TRUE(isTransparent(*renderComposite(canvasOf({20, 20}, {layer}), nullptr, {layer.id})));
    EXPECT_FALSE(isTransparent(*renderComposite(canvasOf({20, 20}, {layer}))));
}

TEST(Compositor, EffectsDrawGlowThenStrokeThenShadowThenImage)
{
    Layer layer = bitmapLayer(test::solidBitmap(4, 4, kRed), {10, 10});
    layer.effects.stroke = StrokeEffect{{0, 1, 0, 1}, 2};
    layer.effects.shadow = ShadowEffect{{0, 0, 1, 1}, {3, 5}, 0};
    const auto image = renderComposite(canvasOf({30, 30}, {layer}));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 11, 11), kRed);                      // the image covers its effects
    EXPECT_EQ(pixelAt(*image, 9, 11), (Rgba{0, 255, 0, 255}));     // stroke ring, 2 px wide
    EXPECT_EQ(pixelAt(*image, 8, 11), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(pixelAt(*image, 7, 11)[3], 0);                       // beyond the stroke
    EXPECT_EQ(pixelAt(*image, 15, 17), (Rgba{0, 0, 255, 255}));    // shadow moved right 3, down 5
    EXPECT_EQ(pixelAt(*image, 13, 15), (Rgba{0, 0, 255, 255}));    // shadow drawn over the stroke
    EXPECT_EQ(pixelAt(*image, 17, 19)[3], 0);

    // A glow reaching past the canvas is cut there; the canvas keeps its size.
    Layer glowing = bitmapLayer(test::solidBitmap(2, 2, kRed), {0, 0});
    glowing.effects.glow = GlowEffect{{1, 1, 1, 1}, 4};
    const auto cut = renderComposite(canvasOf({6, 6}, {glowing}));
    EXPECT_EQ(cut->size(), QSize(6, 6));
    EXPECT_GT(pixelAt(*cut, 3, 1)[3], 0);
}

TEST(Compositor, EffectsBeyondTheMaximaDrawAsTheLargestOnes)
{
    // Every effect far beyond its maximum on a small layer: drawn at the maxima, in moments.
    Layer layer = bitmapLayer(test::solidBitmap(64, 64, kRed), {2000, 2000});
    layer.effects.glow = GlowEffect{{1, 1, 0, 1}, 5000};
    layer.effects.stroke = StrokeEffect{{0, 1, 0, 1}, 5000};
    layer.effects.shadow = ShadowEffect{{0, 0, 1, 1}, {5000, 5000}, 5000};
    const auto image = renderComposite(canvasOf({4064, 4064}, {layer}));
    ASSERT_TRUE(image);
    EXPECT_EQ(pixelAt(*image, 2030, 2030), kRed);
    // The stroke reaches kMaxStrokeEffectWidth from the layer and no further; the glow spreads beyond.
    const int strokeEdge = 2000 - int(kMaxStrokeEffectWidth);
    EXPECT_EQ(pixelAt(*image, 2030, strokeEdge), (Rgba{0, 255, 0, 255}));
    EXPECT_GT(pixelAt(*image, 2030, strokeEdge - 1)[0], 0);  // glow, not stroke
    EXPECT_LT(pixelAt(*image, 2030, strokeEdge - 1)[1], 255);
    EXPECT_GT(pixelAt(*image, 2030, 700)[3], 0);
    EXPECT_EQ(pixelAt(*image, 2030, 10)[3], 0);
    // The shadow lies kMaxShadowOffset away, off this canvas.
    EXPECT_EQ(pixelAt(*image, 4063, 4063)[2], 0);

    const GlowEffect glow{{1, 1, 1, 1}, kMaxGlowRadius};
    const auto silhouette = makeEffectSilhouette(test::solidBitmap(64, 64, kRed), glow.color, glow.radius / 2, glow.radius);
    ASSERT_TRUE(silhouette);
    const int size = silhouette->image.width(), middle = size / 2;
    EXPECT_EQ(silhouette->spread, int(std::ceil(3.5 * kMaxGlowRadius)));
    // Faint: the blur spreads the grown 64-pixel square over a thousand pixels.
    EXPECT_NEAR(pixelAt(silhouette->image, middle, middle)[3], 39, 4);
    for (int x = 0; x < size; x += 97)
        EXPECT_NEAR(pixelAt(silhouette->image, x, middle)[3], pixelAt(silhouette->image, middle, x)[3], 1);
}

// Many large glows, each of a colour of its own so no silhouette comes from the cache: a render
// that takes minutes unless stopped.
CanvasState slowCanvas(const std::function<Bitmap(const Bitmap&)>& onFirstLayer, LayerPreview& preview)
{
    CanvasState state = canvasOf({3000, 3000}, {});
    const Bitmap shared = test::solidBitmap(2000, 2000, kRed);
    for (int i = 0; i < 500; ++i) {
        Layer layer = bitmapLayer(shared, {500, 500});
        layer.effects.glow = GlowEffect{{1, i / 500.0, 0, 1}, kMaxGlowRadius};
        state.layers.append(layer);
    }
    preview.layerID = state.layers.first().id;
    preview.filter = onFirstLayer;
    return state;
}

TEST(Compositor, ACancelledOrQuittingRenderStopsAndGivesNothing)
{
    // Cancelled while a glow is being built.
    {
        RenderCancellation cancellation;
        std::promise<void> started;
        LayerPreview preview;
        const CanvasState state = slowCanvas(
            [&](const Bitmap& image) {
                started.set_value();
                return image;
            },
            preview);
        auto render = std::async(std::launch::async, [&] { return renderComposite(state, &preview, {}, &cancellation); });
        started.get_future().wait();
        cancellation.cancel();
        EXPECT_FALSE(render.get());
    }

    // Quitting stops renders that have no cancellation of their own, and every later one. The flag
    // lasts for the process, so this part runs in a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::promise<void> started;
            LayerPreview preview;
            const CanvasState state = slowCanvas(
                [&](const Bitmap& image) {
                    started.set_value();
                    return image;
                },
                preview);
            auto render = std::async(std::launch::async, [&] { return renderComposite(state, &preview); });
            started.get_future().wait();
            RenderCancellation::cancelEverything();
            const bool stopped = !render.get() && !renderComposite(canvasOf({10, 10}, {}));
            std::exit(stopped ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(Compositor, BlendModeAndOpacityApplyToTheStrokeToo)
{
    const Bitmap grey = test::solidBitmap(10, 10, {128, 128, 128, 255});
    Layer top = bitmapLayer(test::solidBitmap(2, 2, {255, 0, 0, 255}), {4, 4});
    top.blendMode = LayerBlendMode::multiply;
    top.effects.stroke = StrokeEffect{{1, 1, 1, 1}, 1};
    const auto image = renderComposite(canvasOf({10, 10}, {bitmapLayer(grey), top}));
    EXPECT_EQ(pixelAt(*image, 3, 4), (Rgba{128, 128, 128, 255}));  // white multiplied: unchanged
    EXPECT_EQ(pixelAt(*image, 4, 4), (Rgba{128, 0, 0, 255}));

    top.blendMode = LayerBlendMode::normal;
    top.opacity = 0.5;
    const auto half = renderComposite(canvasOf({10, 10}, {bitmapLayer(grey), top}));
    EXPECT_NEAR(pixelAt(*half, 3, 4)[0], 192, 1);
    // Inside the layer the half-transparent stroke lies under the half-transparent image.
    EXPECT_NEAR(pixelAt(*half, 4, 4)[0], 223, 1);
    EXPECT_NEAR(pixelAt(*half, 4, 4)[1], 96, 1);
}

TEST(Compositor, PreviewFiltersOnlyTheSelectionAndOnlyVisibleLayers)
{
    Layer layer = bitmapLayer(test::solidBitmap(20, 20, kRed), {10, 0});
    LayerPreview preview;
    preview.layerID = layer.id;
    preview.filter = [](const Bitmap& image) { return test::solidBitmap(image.width(), image.height(), kBlue); };

    const auto whole = renderComposite(canvasOf({40, 20}, {layer}), &preview);
    EXPECT_EQ(pixelAt(*whole, 15, 15), kBlue);

    // Inverted ellipse: inside stays red, the corners turn blue.
    preview.selection = QRectF(10, 0, 20, 20);
    preview.selectionShape = SelectionShape::ellipse;
    preview.selectionInverted = true;
    const auto outside = renderComposite(canvasOf({40, 20}, {layer}), &preview);
    EXPECT_EQ(pixelAt(*outside, 20, 10), kRed);
    EXPECT_EQ(pixelAt(*outside, 10, 0), kBlue);

    // Where the filtered pixels are transparent, the unfiltered ones show through.
    preview.filter = [](const Bitmap& image) { return test::solidBitmap(image.width(), image.height(), {0, 0, 0, 0}); };
    const auto clear = renderComposite(canvasOf({40, 20}, {layer}), &preview);
    EXPECT_EQ(pixelAt(*clear, 10, 0), kRed);

    // A failing filter leaves the layer as it is; a hidden layer stays undrawn.
    preview.filter = [](const Bitmap&) { return Bitmap(); };
    EXPECT_EQ(pixelAt(*renderComposite(canvasOf({40, 20}, {layer}), &preview), 10, 0), kRed);
    layer.isVisible = false;
    EXPECT_TRUE(isTransparent(*renderComposite(canvasOf({40, 20}, {layer}), &preview)));
}

TEST(Compositor, LayerRegionCoversTheUnionOfBoxesAndCutsEffectsThere)
{
    Layer left = bitmapLayer(test::solidBitmap(10, 10, kRed), {0, 0});
    Layer right = bitmapLayer(test::solidBitmap(10, 10, kBlue), {20, 5});
    right.effects.glow = GlowEffect{{1, 1, 1, 1}, 4};
    const auto region = renderLayerRegion({left, right});
    ASSERT_TRUE(region);
    EXPECT_EQ(region->rect, QRect(0, 0, 30, 15));
    EXPECT_EQ(region->image.size(), QSize(30, 15));
    EXPECT_EQ(pixelAt(region->image, 0, 0), kRed);
    EXPECT_EQ(pixelAt(region->image, 29, 14), kBlue);
    EXPECT_GT(pixelAt(region->image, 18, 8)[3], 0);  // glow inside the union survives

    Layer hidden = bitmapLayer(test::solidBitmap(5, 5, kRed), {-5, -5});
    hidden.isVisible = false;
    const auto withHidden = renderLayerRegion({hidden, left});
    EXPECT_EQ(withHidden->rect, QRect(-5, -5, 15, 15));
    EXPECT_EQ(pixelAt(withHidden->image, 0, 0)[3], 0);
    EXPECT_FALSE(renderLayerRegion({}));
}

}  // namespace
}  // namespace velmaris
