#include "render/PreviewRenderer.h"

#include "render/DisplayImage.h"
#include "render/EffectSilhouette.h"
#include "render/RenderCaches.h"
#include "TestImages.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace velmaris {
namespace {

constexpr test::Rgba kRed{255, 0, 0, 255};

// A renderer whose first request is held inside its render (in the background's preview filter)
// until the test releases it, so the test can act while the render runs.
struct HeldRender {
    PreviewRenderer renderer;
    QSignalSpy ready{&renderer, &PreviewRenderer::compositeReady};
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};
    std::uint64_t silhouettesBefore = 0;

    // Released before the renderer waits for its render.
    ~HeldRender() { released = true; }

    bool start(const CanvasState& state)
    {
        clearRenderCaches();
        LayerPreview preview;
        preview.layerID = state.layers[0].id;
        preview.filter = [this](const Bitmap& image) {
            entered = true;
            while (!released)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return image;
        };
        renderer.request(state, preview);
        const bool held = QTest::qWaitFor([&] { return entered.load(); }, 10000);
        silhouettesBefore = effectSilhouetteCacheCounts().misses;
        return held;
    }

    // Lets the held render go on, then waits until every request is finished and delivered.
    bool releaseAndWait()
    {
        released = true;
        const bool idle = QTest::qWaitFor([&] { return !renderer.isBusy(); }, 10000);
        QCoreApplication::processEvents();
        return idle;
    }

    std::uint64_t silhouettesMade() const { return effectSilhouetteCacheCounts().misses - silhouettesBefore; }
};

// A red background under a shadowed layer whose silhouette shows whether it was ever drawn.
CanvasState gatedCanvas(double shadowBlur)
{
    CanvasState state;
    state.size = QSizeF(64, 48);
    state.layers.append(makeBitmapLayer(test::solidBitmap(64, 48, kRed), "Background"));
    Layer shadowed = makeBitmapLayer(test::randomBitmap(20, 20, 5), "Shadowed", {10, 10});
    shadowed.effects.shadow = ShadowEffect{StoredColor{0, 0, 0, 1}, QSizeF(2, 2), shadowBlur};
    state.layers.append(shadowed);
    return state;
}

TEST(PreviewRenderer, DeliversTheCompositeInTheDisplayFormatWithoutExcludedLayers)
{
    CanvasState state;
    state.size = QSizeF(30, 20);
    state.layers.append(makeBitmapLayer(test::solidBitmap(30, 20, kRed), "Background"));
    state.layers.append(makeBitmapLayer(test::randomBitmap(30, 20, 9), "Edited", {0, 0}));
    state.layers.append(makeBitmapLayer(test::solidBitmap(10, 10, {0, 0, 128, 128}), "Over", {5, 5}));
    const QSet<QUuid> excluded{state.layers[1].id};

    PreviewRenderer renderer;
    QSignalSpy ready(&renderer, &PreviewRenderer::compositeReady);
    const quint64 generation = renderer.request(state, std::nullopt, excluded);
    ASSERT_TRUE(ready.wait(10000));
    ASSERT_EQ(ready.count(), 1);
    const QImage delivered = qvariant_cast<QImage>(ready.first().at(0));
    EXPECT_EQ(ready.first().at(1).value<quint64>(), generation);
    EXPECT_EQ(delivered.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(delivered.pixel(0, 0), qRgba(255, 0, 0, 255));  // the excluded layer covers it
    const std::optional<Bitmap> expected = renderComposite(state, nullptr, excluded);
    const std::optional<Bitmap> everything = renderComposite(state);
    ASSERT_TRUE(expected && everything);
    EXPECT_TRUE(test::samePixels(Bitmap::fromImage(delivered), *expected));
    EXPECT_FALSE(test::samePixels(*everything, *expected));
    EXPECT_EQ(displayImage(*expected), delivered);
    EXPECT_EQ(displayImage(*expected), expected->image().convertToFormat(kDisplayFormat));
}

TEST(PreviewRenderer, CancelStopsTheRunningRenderAndDeliversNothing)
{
    HeldRender held;
    const CanvasState state = gatedCanvas(3);
    ASSERT_TRUE(held.start(state));
    held.renderer.cancel();
    ASSERT_TRUE(held.releaseAndWait());
    EXPECT_EQ(held.ready.count(), 0);
    // The render stopped before the shadowed layer above the cancelled one.
    EXPECT_EQ(held.silhouettesMade(), 0u);

    // The renderer works on for the next request.
    const quint64 next = held.renderer.request(state, std::nullopt);
    ASSERT_TRUE(held.ready.wait(10000));
    EXPECT_EQ(held.ready.first().at(1).value<quint64>(), next);
}

TEST(PreviewRenderer, ANewRequestStopsTheRunningOneAndOnlyTheNewestIsDelivered)
{
    HeldRender held;
    ASSERT_TRUE(held.start(gatedCanvas(3)));
    const CanvasState newest = gatedCanvas(5);
    const quint64 generation = held.renderer.request(newest, std::nullopt);
    ASSERT_TRUE(held.releaseAndWait());
    ASSERT_EQ(held.ready.count(), 1);
    EXPECT_EQ(held.ready.first().at(1).value<quint64>(), generation);
    // Only the newest request's shadow was made: the stale render stopped before its own.
    EXPECT_EQ(held.silhouettesMade(), 1u);
    const std::optional<Bitmap> expected = renderComposite(newest);
    ASSERT_TRUE(expected);
    EXPECT_TRUE(test::samePixels(Bitmap::fromImage(qvariant_cast<QImage>(held.ready.first().at(0))), *expected));
}

}  // namespace
}  // namespace velmaris
