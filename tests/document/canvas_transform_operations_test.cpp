#include "document/CanvasTransformOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::DocumentSpy;
using test::solidLayer;
using test::textLayer;

const test::Rgba kRed{255, 0, 0, 255};
const test::Rgba kBlue{0, 0, 255, 255};

// A 2 × 1 bitmap: red on the left, blue on the right.
Layer twoPixelLayer(QPointF origin)
{
    Layer layer = solidLayer("Layer", 2, 1, origin);
    auto builder = BitmapBuilder::copyOf(*layer.bitmap());
    std::copy(kBlue.begin(), kBlue.end(), builder->row(0) + 4);
    layer.content = std::move(*builder).build();
    return layer;
}

TEST(CanvasTransformOperations, RotateTurnsCanvasLayersAndPixels)
{
    for (bool clockwise : {true, false}) {
        auto document =
            test::documentWith({solidLayer("Layer", 100, 50, {0, 0}), twoPixelLayer({10, 20})}, {1024, 768});
        document->setSelectionRect(QRectF(1, 2, 3, 4));
        DocumentSpy spy(*document);
        rotateCanvas(*document, clockwise);

        const CanvasState& state = document->state();
        EXPECT_EQ(state.size, QSizeF(768, 1024));
        EXPECT_EQ(state.layers[0].bitmap()->size(), QSize(50, 100));
        EXPECT_EQ(state.layers[0].origin, clockwise ? QPointF(718, 0) : QPointF(0, 924));
        const Bitmap& turned = *state.layers[1].bitmap();
        ASSERT_EQ(turned.size(), QSize(1, 2));
        // Clockwise the left pixel goes up; counterclockwise down.
        EXPECT_EQ(test::pixelAt(turned, 0, 0), clockwise ? kRed : kBlue);
        EXPECT_EQ(state.layers[1].origin, clockwise ? QPointF(768 - 20 - 1, 10) : QPointF(20, 1024 - 10 - 2));

        EXPECT_EQ(spy.newEntries(), 1);
        EXPECT_EQ(spy.lastEntry(), clockwise ? QStringLiteral("Rotate 90° Clockwise")
                                             : QStringLiteral("Rotate 90° Counterclockwise"));
        EXPECT_EQ(spy.stateChanges(), 1);
        EXPECT_EQ(spy.selectionChanges(), 1);
        EXPECT_FALSE(document->selection().rect);
    }
}

TEST(CanvasTransformOperations, RotateAndFlipRasteriseTextButLeaveUnrasterisableTextAlone)
{
    for (bool rotate : {true, false}) {
        auto document = test::documentWith(
            {textLayer("Hello", {10, 20}, 30), textLayer("Huge", {5, 6}, 100000), solidLayer("Layer", 4, 4, {0, 0})},
            {400, 300});
        const QSizeF textBox = document->state().layers[0].pixelSize();
        if (rotate)
            rotateCanvas(*document, true);
        else
            flipCanvas(*document, true);

        const CanvasState& state = document->state();
        ASSERT_TRUE(state.layers[0].bitmap());
        const QSizeF expected = rotate ? textBox.transposed() : textBox;
        EXPECT_EQ(QSizeF(state.layers[0].bitmap()->size()), expected);
        EXPECT_EQ(state.layers[0].origin,
                  rotate ? QPointF(300 - 20 - textBox.height(), 10) : QPointF(400 - 10 - textBox.width(), 20));
        ASSERT_TRUE(state.layers[1].isText());
        EXPECT_EQ(state.layers[1].origin, QPointF(5, 6));
    }
}

TEST(CanvasTransformOperations, FlipMirrorsPixelsAndPlacesAndKeepsTheSelection)
{
    auto document = test::documentWith({solidLayer("Layer", 100, 50, {0, 0}), twoPixelLayer({10, 20})}, {1024, 768});
    document->setSelectionRect(QRectF(1, 2, 3, 4));
    document->changeLiveState([&](CanvasState& state) { state.layers[0].isLocked = true; });  // locks do not matter
    DocumentSpy spy(*document);
    flipCanvas(*document, true);
    EXPECT_EQ(document->state().layers[0].origin, QPointF(924, 0));
    EXPECT_EQ(test::pixelAt(*document->state().layers[1].bitmap(), 0, 0), kBlue);
    EXPECT_EQ(document->state().layers[1].origin, QPointF(1024 - 10 - 2, 20));
    EXPECT_EQ(spy.lastEntry(), QStringLiteral("Flip Horizontal"));
    EXPECT_EQ(spy.newEntries(), 1);
    EXPECT_EQ(spy.selectionChanges(), 0);
    EXPECT_EQ(document->selection().rect, QRectF(1, 2, 3, 4));

    flipCanvas(*document, false);
    EXPECT_EQ(document->state().layers[0].origin, QPointF(924, 768 - 50));
    EXPECT_EQ(spy.lastEntry(), QStringLiteral("Flip Vertical"));
    EXPECT_EQ(document->state().size, QSizeF(1024, 768));
}

TEST(CanvasTransformOperations, CropUsesThePartOfTheSelectionInsideTheCanvasAndKeepsPixels)
{
    auto document = test::documentWith({solidLayer("Layer", 200, 100, {0, 0})}, {200, 100});
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionInverted(true);
    document->setSelectionRect(QRectF(150.5, -20, 100, 70.2));
    const Bitmap before = *document->state().layers[0].bitmap();
    DocumentSpy spy(*document);
    ASSERT_TRUE(cropToSelection(*document));

    EXPECT_EQ(document->state().size, QSizeF(50, 51));
    EXPECT_EQ(document->state().layers[0].origin, QPointF(-150, 0));
    EXPECT_TRUE(document->state().layers[0].bitmap()->sharesPixelsWith(before));
    EXPECT_EQ(spy.lastEntry(), QStringLiteral("Crop"));
    EXPECT_EQ(spy.newEntries(), 1);
    EXPECT_EQ(spy.selectionChanges(), 1);
    EXPECT_FALSE(document->selection().rect);
    EXPECT_EQ(document->selection().shape, SelectionShape::ellipse);
    EXPECT_TRUE(document->selection().inverted);
}

TEST(CanvasTransformOperations, CropWithoutASelectionInsideTheCanvasDoesNothing)
{
    auto document = test::documentWith({solidLayer("Layer", 10, 10, {3, 4})}, {200, 100});
    const CanvasState before = document->state();
    {
        DocumentSpy spy(*document);
        EXPECT_FALSE(cropToSelection(*document));
        EXPECT_TRUE(spy.silent());
    }
    document->setSelectionRect(QRectF(300, 10, 50, 50));
    DocumentSpy spy(*document);
    EXPECT_FALSE(cropToSelection(*document));
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(document->state(), before);
}

TEST(CanvasTransformOperations, ImageSizeScalesPlacesBitmapsAndTextByTheVerticalFactor)
{
    auto document = test::documentWith(
        {solidLayer("Layer", 100, 40, {200, 100}), textLayer("Hi", {300, 60}, 24, {{1, 30.0, {}, {}}})}, {1000, 500});
    document->setSelectionRect(QRectF(0, 0, 10, 10));
    {
        DocumentSpy spy(*document);
        ASSERT_TRUE(resizeImage(*document, 500, 500));
        const CanvasState& state = document->state();
        EXPECT_EQ(state.size, QSizeF(500, 500));
        EXPECT_EQ(state.layers[0].origin, QPointF(100, 100));
        EXPECT_EQ(state.layers[0].bitmap()->size(), QSize(50, 40));
        EXPECT_EQ(state.layers[1].origin, QPointF(150, 60));
        ASSERT_TRUE(state.layers[1].isText());
        EXPECT_EQ(state.layers[1].text()->fontSize, 24);
        EXPECT_EQ(state.layers[1].text()->runs[0].fontSize, 30.0);
        EXPECT_EQ(spy.lastEntry(), QStringLiteral("Image Size"));
        EXPECT_EQ(spy.newEntries(), 1);
        EXPECT_EQ(spy.selectionChanges(), 1);
        EXPECT_FALSE(document->selection().rect);
    }
    ASSERT_TRUE(resizeImage(*document, 500, 250));
    const CanvasState& state = document->state();
    EXPECT_EQ(state.layers[0].origin, QPointF(100, 50));
    EXPECT_EQ(state.layers[0].bitmap()->size(), QSize(50, 20));
    EXPECT_EQ(state.layers[1].text()->fontSize, 12);
    EXPECT_EQ(state.layers[1].text()->runs[0].fontSize, 15.0);
    // Sizes never drop below one pixel or point; places are not rounded.
    ASSERT_TRUE(resizeImage(*document, 500, 1));
    EXPECT_EQ(document->state().layers[0].bitmap()->size(), QSize(50, 1));
    EXPECT_EQ(document->state().layers[1].text()->fontSize, 1);
    EXPECT_DOUBLE_EQ(document->state().layers[1].origin.y(), 0.12);
}

TEST(CanvasTransformOperations, ImageSizeRefusesTheCurrentSizeAndSizesOutOfRange)
{
    auto document = test::documentWith({solidLayer("Layer", 10, 10, {0, 0})}, {1000, 500});
    const CanvasState before = document->state();
    DocumentSpy spy(*document);
    EXPECT_FALSE(resizeImage(*document, 1000, 500));
    EXPECT_FALSE(resizeImage(*document, 30001, 500));
    EXPECT_FALSE(resizeImage(*document, 1000, 0));
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(document->state(), before);
}

}  // namespace
}  // namespace velmaris
