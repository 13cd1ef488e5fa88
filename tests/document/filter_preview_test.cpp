#include "document/FilterPreview.h"

#include "TestImages.h"
#include "document/ImageDocument.h"
#include "render/PreviewRenderer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::pixelAt;
using test::Rgba;

FilterInstance instanceOf(const char* identifier)
{
    return FilterInstance::withDefaults(*findFilter(QString::fromLatin1(identifier)));
}

// A 40 × 30 canvas whose selected layer is a random image at (5, 5).
struct Fixture {
    ImageDocument document{DocumentDefaults{40, 30, CanvasBackground::transparent}};
    Fixture()
    {
        CanvasState state = document.state();
        state.layers[0].content = test::randomBitmap(30, 20, 3);
        state.layers[0].origin = QPointF(5, 5);
        document.commitState(std::move(state), QStringLiteral("Setup"));
    }
    const Layer& layer() const { return document.state().layers[0]; }
};

TEST(FilterPreview, ThePreviewShowsExactlyWhatApplyingRecords)
{
    for (const bool inverted : {false, true}) {
        Fixture fixture;
        fixture.document.setSelectionRect(QRectF(-4.5, 8.2, 30, 20));  // clipped to the canvas, whole pixels
        fixture.document.setSelectionShape(SelectionShape::ellipse);
        fixture.document.setSelectionInverted(inverted);
        const Bitmap before = *fixture.layer().bitmap();

        QSignalSpy previewSpy(&fixture.document, &ImageDocument::previewDidChange);
        updateFilterPreview(fixture.document, instanceOf("invert"));
        ASSERT_TRUE(fixture.document.filterPreview());
        EXPECT_EQ(fixture.document.filterPreview()->selection, QRectF(0, 8, 26, 21));
        EXPECT_EQ(previewSpy.count(), 1);
        const Bitmap previewed = *fixture.document.renderLiveComposite();

        fixture.document.setFilterPreview(std::nullopt);
        ASSERT_TRUE(applyFilter(fixture.document, instanceOf("invert")));
        EXPECT_EQ(fixture.document.history().entries().last().name, QStringLiteral("Invert Colors"));
        const Bitmap applied = *renderComposite(fixture.document.state());
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(pixelAt(previewed, x, y), pixelAt(applied, x, y)) << x << "," << y;

        // Inside the ellipse (centre 13, 18.5) only the non-inverted case changes pixels; far outside, only the inverted.
        const Bitmap& after = *fixture.layer().bitmap();
        EXPECT_EQ(pixelAt(after, 8, 13) != pixelAt(before, 8, 13), !inverted);
        EXPECT_EQ(pixelAt(after, 29, 0) != pixelAt(before, 29, 0), inverted);
    }
}

TEST(FilterPreview, ApplyingNeedsAnUnlockedSelectedLayerAndTurnsTextIntoPixels)
{
    Fixture fixture;
    fixture.document.changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });
    EXPECT_FALSE(applyFilter(fixture.document, instanceOf("invert")));
    fixture.document.changeLiveState([&](CanvasState& state) { state.selectedLayerID.reset(); });
    updateFilterPreview(fixture.document, instanceOf("invert"));
    EXPECT_FALSE(fixture.document.filterPreview());
    EXPECT_FALSE(applyFilter(fixture.document, instanceOf("invert")));
    EXPECT_EQ(fixture.document.history().entries().size(), 2);

    // An adjustment at its identity values changes nothing, so it records nothing.
    Fixture neutral;
    EXPECT_FALSE(applyFilter(neutral.document, instanceOf("gamma")));
    EXPECT_EQ(neutral.document.history().entries().size(), 2);

    ImageDocument document(DocumentDefaults{60, 40, CanvasBackground::transparent});
    Layer text;
    text.name = QStringLiteral("Title");
    text.content = TextLayerAttributes{QStringLiteral("Hi"), QStringLiteral("DejaVu Sans"), 20, {1, 0, 0, 1}, {}};
    text.origin = QPointF(3, 4);
    text.opacity = 0.5;
    text.blendMode = LayerBlendMode::screen;
    text.effects.glow = GlowEffect{};
    document.changeLiveState([&](CanvasState& state) { state.layers.append(text); });
    document.changeLiveState([&](CanvasState& state) { state.selectedLayerID = text.id; });
    ASSERT_TRUE(applyFilter(document, instanceOf("gaussianBlur")));
    const Layer& blurred = document.state().layers[1];
    EXPECT_TRUE(blurred.bitmap());
    EXPECT_EQ(blurred.name, text.name);
    EXPECT_EQ(blurred.origin, text.origin);
    EXPECT_EQ(blurred.opacity, text.opacity);
    EXPECT_EQ(blurred.blendMode, text.blendMode);
    EXPECT_EQ(blurred.effects, text.effects);
    EXPECT_EQ(document.history().entries().last().name, QStringLiteral("Gaussian Blur"));
}

TEST(FilterPreview, UndoClearsThePreview)
{
    Fixture fixture;
    updateFilterPreview(fixture.document, instanceOf("sepia"));
    QSignalSpy previewSpy(&fixture.document, &ImageDocument::previewDidChange);
    fixture.document.undoHistory();
    EXPECT_FALSE(fixture.document.filterPreview());
    EXPECT_EQ(previewSpy.count(), 1);
}

TEST(PreviewRenderer, DeliversOnlyTheNewestRequest)
{
    Fixture fixture;
    PreviewRenderer renderer;
    QSignalSpy ready(&renderer, &PreviewRenderer::compositeReady);
    CanvasState first = fixture.document.state();
    first.size = QSizeF(11, 11);
    renderer.request(first, std::nullopt);
    updateFilterPreview(fixture.document, instanceOf("invert"));
    renderer.request(fixture.document.state(), fixture.document.filterPreview()->compositorPreview());
    ASSERT_TRUE(ready.wait(10000));
    QCoreApplication::processEvents();
    ASSERT_EQ(ready.count(), 1);
    const Bitmap delivered = Bitmap::fromImage(qvariant_cast<QImage>(ready.first().first()));
    EXPECT_EQ(delivered.size(), QSize(40, 30));
    const Bitmap expected = *fixture.document.renderLiveComposite();
    EXPECT_EQ(pixelAt(delivered, 10, 10), pixelAt(expected, 10, 10));
    EXPECT_FALSE(renderer.isBusy());
}

}  // namespace
}  // namespace velmaris
