#include "document/CanvasTransformOperations.h"

#include "document/TestDocuments.h"
#include "render/Compositor.h"

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

TEST(CanvasTransformOperations, CanvasSizePlacesTheOldImageByEachOfTheNineAnchors)
{
    const Qt::Alignment rows[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    const Qt::Alignment columns[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            // A 4 × 2 image on a 4 × 2 canvas grown to 11 × 7: 7 more columns, 5 more rows; centred,
            // the odd one goes right or down.
            const QPoint expected(std::array{0, 3, 7}[column], std::array{0, 2, 5}[row]);
            auto document = test::documentWith({twoPixelLayer({0, 0}), solidLayer("Layer", 2, 2, {2, 0}, kBlue),
                                                textLayer("Hi", {1, 1}, 12)},
                                               {4, 2});
            document->recordHistory(QStringLiteral("Start"));
            document->setSelectionRect(QRectF(0, 0, 2, 2));
            const CanvasState before = document->state();
            DocumentSpy spy(*document);
            ASSERT_TRUE(resizeCanvas(*document, 11, 7, rows[row] | columns[column], std::nullopt));

            const CanvasState& state = document->state();
            EXPECT_EQ(state.size, QSizeF(11, 7));
            EXPECT_EQ(state.layers[0].origin, QPointF(expected));
            EXPECT_EQ(state.layers[1].origin, QPointF(expected + QPoint(2, 0)));
            EXPECT_EQ(state.layers[2].origin, QPointF(expected + QPoint(1, 1)));
            EXPECT_TRUE(state.layers[2].isText());
            for (int index : {0, 1})
                EXPECT_TRUE(state.layers[index].bitmap()->sharesPixelsWith(*before.layers[index].bitmap()));
            CanvasState bitmapsOnly = state;
            bitmapsOnly.layers.removeLast();
            const std::optional<Bitmap> composite = renderComposite(bitmapsOnly);
            ASSERT_TRUE(composite);
            EXPECT_EQ(test::pixelAt(*composite, expected.x(), expected.y()), kRed);
            EXPECT_EQ(test::pixelAt(*composite, expected.x() + 3, expected.y() + 1), kBlue);
            if (expected.x() > 0) {
                EXPECT_EQ(test::pixelAt(*composite, expected.x() - 1, expected.y()), test::kClear);
            }
            if (expected.y() + 2 < 7) {
                EXPECT_EQ(test::pixelAt(*composite, expected.x(), expected.y() + 2), test::kClear);
            }

            EXPECT_TRUE(spy.recordedOnly(QStringLiteral("Canvas Size")));
            EXPECT_FALSE(document->selection().rect);
            document->undoHistory();
            EXPECT_EQ(document->state(), before);
        }

    // Shrinking keeps every pixel too: they only move off the canvas.
    auto document = test::documentWith({solidLayer("Layer", 10, 10, {0, 0})}, {10, 10});
    const Bitmap pixels = *document->state().layers[0].bitmap();
    ASSERT_TRUE(resizeCanvas(*document, 4, 3, Qt::AlignRight | Qt::AlignBottom, StoredColor{0, 1, 0, 1}));
    EXPECT_EQ(document->state().layers[0].origin, QPointF(-6, -7));
    EXPECT_TRUE(document->state().layers[0].bitmap()->sharesPixelsWith(pixels));
}

TEST(CanvasTransformOperations, CanvasSizeFillsTheNewAreaOfTheBottomLayerUnderItsPixels)
{
    // The bottom layer has a transparent hole inside the old canvas and a pixel beyond its right
    // edge; the top layer is left as it is.
    Layer bottom = solidLayer("Background", 5, 2, {0, 0});
    auto builder = BitmapBuilder::copyOf(*bottom.bitmap());
    std::fill_n(builder->row(0) + 4, 4, 0);
    bottom.content = std::move(*builder).build();
    auto document = test::documentWith({bottom, solidLayer("Top", 1, 1, {0, 1}, kBlue)}, {4, 2});
    document->recordHistory(QStringLiteral("Start"));
    const CanvasState before = document->state();
    const StoredColor green{0, 1, 0, 1};
    const test::Rgba kGreen{0, 255, 0, 255};
    DocumentSpy spy(*document);
    ASSERT_TRUE(resizeCanvas(*document, 6, 4, Qt::AlignCenter, green));

    const Layer& filled = document->state().layers[0];
    EXPECT_EQ(filled.origin, QPointF(0, 0));
    ASSERT_EQ(filled.bitmap()->size(), QSize(6, 4));
    const Bitmap& pixels = *filled.bitmap();
    EXPECT_EQ(test::pixelAt(pixels, 0, 0), kGreen);  // new area
    EXPECT_EQ(test::pixelAt(pixels, 5, 3), kGreen);
    EXPECT_EQ(test::pixelAt(pixels, 1, 1), kRed);
    EXPECT_EQ(test::pixelAt(pixels, 2, 1), test::kClear);  // the hole stays a hole
    EXPECT_EQ(test::pixelAt(pixels, 5, 2), kRed);  // beyond the old canvas: the layer's own pixel on top
    EXPECT_EQ(test::pixelAt(pixels, 5, 0), kGreen);
    EXPECT_EQ(document->state().layers[1].origin, QPointF(1, 2));
    EXPECT_TRUE(document->state().layers[1].bitmap()->sharesPixelsWith(*before.layers[1].bitmap()));
    EXPECT_TRUE(spy.recordedOnly(QStringLiteral("Canvas Size")));
    document->undoHistory();
    EXPECT_EQ(document->state(), before);

    // A text layer at the bottom stays text: the fill goes into a layer of its own under it.
    auto text = test::documentWith({textLayer("Hi", {0, 0}, 12)}, {4, 2});
    ASSERT_TRUE(resizeCanvas(*text, 4, 3, Qt::AlignTop | Qt::AlignLeft, green));
    ASSERT_EQ(text->state().layers.size(), 2);
    EXPECT_TRUE(text->state().layers[1].isText());
    const Layer& added = text->state().layers[0];
    EXPECT_EQ(added.name, QStringLiteral("Background"));
    ASSERT_EQ(added.bitmap()->size(), QSize(4, 3));
    EXPECT_EQ(test::pixelAt(*added.bitmap(), 3, 1), test::kClear);
    EXPECT_EQ(test::pixelAt(*added.bitmap(), 3, 2), kGreen);
}

TEST(CanvasTransformOperations, CanvasSizeRefusesTheCurrentSizeAndSizesOutOfRange)
{
    auto document = test::documentWith({solidLayer("Layer", 10, 10, {0, 0})}, {100, 50});
    const CanvasState before = document->state();
    DocumentSpy spy(*document);
    EXPECT_FALSE(resizeCanvas(*document, 100, 50, Qt::AlignLeft | Qt::AlignTop, StoredColor{}));
    EXPECT_FALSE(resizeCanvas(*document, 0, 50, Qt::AlignCenter, std::nullopt));
    EXPECT_FALSE(resizeCanvas(*document, 100, 30001, Qt::AlignCenter, std::nullopt));
    // 30000 × 30000 is a canvas the layers can span, but no bitmap that large can hold the fill.
    EXPECT_FALSE(resizeCanvas(*document, 30000, 30000, Qt::AlignCenter, StoredColor{}));
    EXPECT_TRUE(spy.silent());
    EXPECT_EQ(document->state(), before);
}

TEST(CanvasTransformOperations, TrimCropsTheTransparentBordersOfTheComposite)
{
    // Visible content spans (5, 4) … (9, 6): a red block and a faint pixel below it; a hidden
    // layer covering the whole canvas does not count.
    Layer hidden = solidLayer("Hidden", 20, 10, {0, 0});
    hidden.isVisible = false;
    Layer faint = test::bitmapLayer(test::solidBitmap(1, 1, {0, 0, 1, 1}), {9, 6}, QStringLiteral("Faint"));
    auto document = test::documentWith({hidden, solidLayer("Block", 3, 2, {5, 4}), faint}, {20, 10});
    document->recordHistory(QStringLiteral("Start"));
    document->setSelectionRect(QRectF(1, 1, 5, 5));
    const CanvasState before = document->state();
    {
        DocumentSpy spy(*document);
        ASSERT_TRUE(trimCanvas(*document));
        const CanvasState& state = document->state();
        EXPECT_EQ(state.size, QSizeF(5, 3));
        EXPECT_EQ(state.layers[1].origin, QPointF(0, 0));
        EXPECT_EQ(state.layers[2].origin, QPointF(4, 2));
        EXPECT_EQ(state.layers[0].origin, QPointF(-5, -4));
        EXPECT_TRUE(state.layers[0].bitmap()->sharesPixelsWith(*before.layers[0].bitmap()));
        EXPECT_TRUE(spy.recordedNames() == QStringList{QStringLiteral("Trim")});
        EXPECT_FALSE(document->selection().rect);
    }
    // Nothing left to trim: no step.
    DocumentSpy spy(*document);
    EXPECT_FALSE(trimCanvas(*document));
    EXPECT_TRUE(spy.silent());
    document->undoHistory();
    EXPECT_EQ(document->state(), before);

    auto empty = test::documentWith({hidden}, {20, 10});
    DocumentSpy emptySpy(*empty);
    EXPECT_FALSE(trimCanvas(*empty));
    EXPECT_TRUE(emptySpy.silent());
}

}  // namespace
}  // namespace velmaris
