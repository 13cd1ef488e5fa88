#include "canvas/CompositeDisplay.h"

#include "document/FilterPreview.h"
#include "document/TestDocuments.h"
#include "render/DisplayImage.h"
#include "QtWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace velmaris {
namespace {

using test::waitUntil;

struct Frame {
    int halvings;
    QImage image;
};

// Every frame the display puts on screen, in order.
struct ShownFrames {
    CompositeDisplay display;
    std::vector<Frame> frames;

    ShownFrames()
    {
        QObject::connect(&display, &CompositeDisplay::updated,
                         [this] { frames.push_back({display.imageHalvings(), display.image()}); });
    }
    bool waitUntilIdle() { return waitUntil([&] { return !display.isRendering(); }); }
};

TEST(CompositeDisplay, AFilterPreviewShowsReducedFirstAndEndsOnTheFullSizeRender)
{
    auto document = test::documentWith(
        {test::bitmapLayer(test::opaqueRandomBitmap(200, 120, 4)),
         test::solidLayer(QStringLiteral("Top"), 60, 40, {30, 30}, {0, 0, 200, 200})},
        {200, 120});
    FilterInstance blur = FilterInstance::withDefaults(*findFilter(QStringLiteral("gaussianBlur")));
    blur.setValue(QStringLiteral("inputRadius"), 6);
    document->setSelectionRect(QRectF(20, 10, 120, 80));
    updateFilterPreview(*document, blur);
    const FilterPreview preview = *document->filterPreview();
    const LayerPreview full = preview.compositorPreview();
    // The full-size render takes its time, as it does on a large image.
    LayerPreview slowFull = full;
    slowFull.filter = [filter = full.filter](const Bitmap& image) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return filter(image);
    };

    ShownFrames shown;
    shown.display.request(document->state(), slowFull, {},
                          CompositeDisplay::ReducedPass{2, preview.compositorPreview(0.25)});
    EXPECT_FALSE(shown.display.isShowingNewest());
    ASSERT_TRUE(shown.waitUntilIdle());
    ASSERT_EQ(shown.frames.size(), 2u);
    EXPECT_EQ(shown.frames[0].halvings, 2);
    EXPECT_EQ(shown.frames[0].image.size(), QSize(50, 30));
    EXPECT_EQ(shown.frames[1].halvings, 0);
    EXPECT_EQ(shown.frames[1].image, displayImage(*renderComposite(document->state(), &full)));
    EXPECT_TRUE(shown.display.isShowingNewest());
    // Drawn zoomed out, the full-size frame's halved copies serve; the reduced one served as it was.
    EXPECT_EQ(shown.display.imageFor(0.25).second, 0.25);
    EXPECT_EQ(shown.display.imageFor(0.25).first->size(), QSize(50, 30));

    // What OK applies is the full-size filter, as it always was.
    const Layer filtered = *document->state().selectedLayer();
    ASSERT_TRUE(applyFilter(*document, blur));
    EXPECT_TRUE(test::samePixels(*document->state().selectedLayer()->bitmap(),
                                 applyPreviewToLayerImage(*filtered.bitmap(), filtered, full)));
    EXPECT_EQ(displayImage(*renderComposite(document->state())), shown.frames[1].image);
}

TEST(CompositeDisplay, NoFrameOfAnOlderRequestReplacesANewerOne)
{
    auto document = test::documentWith({test::bitmapLayer(test::opaqueRandomBitmap(240, 160, 9))}, {240, 160});
    const QUuid layer = document->state().layers[0].id;
    // Request i paints the layer grey level 20 × i, a little slowly, so renders overlap requests.
    const auto previewOf = [&](int i) {
        LayerPreview preview;
        preview.layerID = layer;
        preview.filter = [i](const Bitmap& image) {
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            const std::uint8_t grey = std::uint8_t(20 * i);
            return test::solidBitmap(image.width(), image.height(), {grey, grey, grey, 255});
        };
        return preview;
    };
    ShownFrames shown;
    constexpr int kRequests = 10;
    for (int i = 1; i <= kRequests; ++i) {
        shown.display.request(document->state(), previewOf(i), {}, CompositeDisplay::ReducedPass{1, previewOf(i)});
        // Every other request comes once its reduced frame is up, while its refinement runs.
        if (i % 2) {
            ASSERT_TRUE(waitUntil([&] { return shown.display.isShowingNewest(); }));
        }
    }
    ASSERT_TRUE(shown.waitUntilIdle());
    int newest = 0;
    for (const Frame& frame : shown.frames) {
        const int request = qRed(frame.image.pixel(0, 0)) / 20;
        EXPECT_GE(request, newest);
        newest = request;
    }
    EXPECT_EQ(newest, kRequests);
    EXPECT_EQ(shown.frames.back().halvings, 0);
    EXPECT_EQ(shown.frames.back().image.size(), QSize(240, 160));
}

}  // namespace
}  // namespace velmaris
