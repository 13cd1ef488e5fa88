#include "document/SelectionPainting.h"

#include "PastedImage.h"
#include "QtWait.h"
#include "document/TestDocuments.h"
#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::DocumentSpy;
using test::pixelAt;
using test::solidLayer;

const StoredColor kGreen{0, 1, 0, 1};
const test::Rgba kGreenPixels{0, 255, 0, 255};
const test::Rgba kRed{255, 0, 0, 255};
const test::Rgba kClear{0, 0, 0, 0};

const Bitmap& bitmapOf(const ImageDocument& document, int index = 0)
{
    return *document.state().layers[index].bitmap();
}

TEST(SelectionPainting, FillPaintsTheRectangleOverTheOldPixelsAndKeepsTheSelection)
{
    auto document = test::documentWith({solidLayer("Layer", 100, 80, {0, 0})}, {100, 80});
    document->setSelectionRect(QRectF(10.5, 20, 30, 200));
    DocumentSpy spy(*document);
    ASSERT_TRUE(fillSelection(*document, StoredColor{0, 0, 1, 0.5}));

    const Bitmap& filled = bitmapOf(*document);
    EXPECT_EQ(filled.size(), QSize(100, 80));
    EXPECT_EQ(pixelAt(filled, 9, 40), kRed);
    EXPECT_EQ(pixelAt(filled, 10, 19), kRed);
    EXPECT_EQ(pixelAt(filled, 40, 79), (test::Rgba{127, 0, 128, 255}));  // half blue over red
    EXPECT_EQ(pixelAt(filled, 10, 40), pixelAt(filled, 40, 40));  // the whole-pixel rectangle
    EXPECT_EQ(pixelAt(filled, 41, 40), kRed);
    EXPECT_EQ(spy.lastEntry(), QStringLiteral("Fill Selection"));
    EXPECT_EQ(spy.newEntries(), 1);
    EXPECT_EQ(spy.stateChanges(), 1);
    EXPECT_EQ(spy.selectionChanges(), 0);
    EXPECT_EQ(document->selection().rect, QRectF(10.5, 20, 30, 200));
}

TEST(SelectionPainting, InvertedEllipticalFillGrowsALayerToTheCanvasAndSparesTheEllipse)
{
    auto document = test::documentWith({solidLayer("Layer", 20, 20, {-10, -10})}, {100, 80});
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionInverted(true);
    document->setSelectionRect(QRectF(20, 20, 60, 40));
    ASSERT_TRUE(fillSelection(*document, kGreen));

    const Layer& layer = document->state().layers[0];
    EXPECT_EQ(layer.origin, QPointF(-10, -10));
    const Bitmap& filled = *layer.bitmap();
    ASSERT_EQ(filled.size(), QSize(110, 90));
    EXPECT_EQ(pixelAt(filled, 0, 0), kGreenPixels);       // the layer's part outside the canvas too
    EXPECT_EQ(pixelAt(filled, 109, 89), kGreenPixels);    // canvas corner
    EXPECT_EQ(pixelAt(filled, 10 + 22, 10 + 22), kGreenPixels);  // inside R, outside the ellipse
    EXPECT_EQ(pixelAt(filled, 10 + 50, 10 + 40), kClear);        // the ellipse's centre
    EXPECT_EQ(pixelAt(filled, 10 + 21, 10 + 40), kClear);        // just inside its left end
}

TEST(SelectionPainting, FillKeepsOldPixelsAtAFractionalPlaceAndRasterisesText)
{
    auto document = test::documentWith({solidLayer("Layer", 4, 4, {0, 0.5})}, {100, 80});
    document->setSelectionRect(QRectF(10, 10, 5, 5));
    ASSERT_TRUE(fillSelection(*document, kGreen));
    const Layer& grown = document->state().layers[0];
    EXPECT_EQ(grown.origin, QPointF(0, 0));
    EXPECT_EQ(grown.bitmap()->size(), QSize(15, 15));
    EXPECT_EQ(pixelAt(*grown.bitmap(), 1, 2), kRed);
    EXPECT_NEAR(pixelAt(*grown.bitmap(), 1, 0)[3], 128, 1);  // half a row down

    auto text = test::documentWith({test::textLayer("Hi", {50, 50}, 20)}, {100, 80});
    text->setSelectionRect(QRectF(10, 10, 5, 5));
    ASSERT_TRUE(fillSelection(*text, kGreen));
    ASSERT_TRUE(text->state().layers[0].bitmap());
    EXPECT_EQ(text->state().layers[0].origin, QPointF(10, 10));
}

TEST(SelectionPainting, StrokeDrawsInsideTheSelectionRectangleOnly)
{
    for (SelectionShape shape : {SelectionShape::rectangle, SelectionShape::ellipse}) {
        auto document = test::documentWith({solidLayer("Layer", 2, 2, {90, 70})}, {100, 80});
        document->setSelectionShape(shape);
        document->setSelectionInverted(true);  // ignored by strokes
        document->setSelectionRect(QRectF(10, 10, 40, 20));
        DocumentSpy spy(*document);
        ASSERT_TRUE(strokeSelection(*document, kGreen, 4));

        const Layer& layer = document->state().layers[0];
        EXPECT_EQ(layer.origin, QPointF(10, 10));
        const Bitmap& stroked = *layer.bitmap();
        ASSERT_EQ(stroked.size(), QSize(82, 62));
        const bool rectangle = shape == SelectionShape::rectangle;
        EXPECT_EQ(pixelAt(stroked, 0, 0), rectangle ? kGreenPixels : kClear);    // the selection's corner
        EXPECT_EQ(pixelAt(stroked, 39, 19), rectangle ? kGreenPixels : kClear);
        EXPECT_EQ(pixelAt(stroked, 1, 10)[3], 255);  // on the outline of both shapes
        EXPECT_EQ(pixelAt(stroked, 38, 10)[3], 255);
        EXPECT_EQ(pixelAt(stroked, 5, 10), kClear);   // inside the line
        EXPECT_EQ(pixelAt(stroked, 40, 10), kClear);  // right of the selection
        EXPECT_EQ(pixelAt(stroked, 20, 10), kClear);  // the centre
        EXPECT_EQ(pixelAt(stroked, 80, 60), kRed);
        EXPECT_EQ(spy.lastEntry(), QStringLiteral("Stroke Selection"));
        EXPECT_EQ(spy.newEntries(), 1);
        EXPECT_EQ(spy.selectionChanges(), 0);
    }
}

TEST(SelectionPainting, StrokeWidthMustLieBetweenOneAndAThousand)
{
    auto document = test::documentWith({solidLayer("Layer", 100, 80, {0, 0})}, {100, 80});
    document->setSelectionRect(QRectF(10, 10, 40, 20));
    DocumentSpy refused(*document);
    EXPECT_FALSE(strokeSelection(*document, kGreen, 1000.0001));
    EXPECT_FALSE(strokeSelection(*document, kGreen, 0.5));
    EXPECT_FALSE(strokeSelection(*document, kGreen, qQNaN()));
    EXPECT_TRUE(refused.silent());
    // A line wider than the selection is accepted; inset past itself it draws nothing.
    ASSERT_TRUE(strokeSelection(*document, kGreen, 1000));
    EXPECT_EQ(pixelAt(bitmapOf(*document), 20, 20), kRed);
    EXPECT_EQ(refused.newEntries(), 1);
}

TEST(SelectionPainting, NothingHappensWithoutASelectionOrAnUnlockedPrimaryLayer)
{
    auto document =
        test::documentWith({solidLayer("Layer", 10, 10, {0, 0}), solidLayer("Layer", 10, 10, {0, 0})}, {100, 80});
    const CanvasState before = document->state();
    const auto paintBoth = [&] {
        EXPECT_FALSE(fillSelection(*document, kGreen));
        EXPECT_FALSE(strokeSelection(*document, kGreen, 2));
    };
    {
        DocumentSpy spy(*document);
        paintBoth();  // no selection
        EXPECT_TRUE(spy.silent());
    }
    document->setSelectionRect(QRectF(100, 0, 20, 20));
    {
        DocumentSpy spy(*document);
        paintBoth();  // selection beside the canvas
        EXPECT_TRUE(spy.silent());
    }
    document->setSelectionRect(QRectF(5, 5, 20, 20));
    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = true; });
    {
        DocumentSpy spy(*document);
        paintBoth();
        EXPECT_TRUE(spy.silent());
    }
    document->changeLiveState([&](CanvasState& state) { state.layers[1].isLocked = false; });
    document->changeLiveState([&](CanvasState& state) { state.selectedLayerID.reset(); });
    DocumentSpy spy(*document);
    paintBoth();
    EXPECT_TRUE(spy.silent());
    document->changeLiveState([&](CanvasState& state) { state.selectedLayerID = before.selectedLayerID; });
    EXPECT_EQ(document->state(), before);
}

TEST(SelectionPainting, CutClearsTheSelectedPixelsOfTheLayerAndPutsThemOnTheClipboard)
{
    // A layer reaching past the canvas's left edge, an elliptical selection over part of it.
    auto document = test::documentWith({solidLayer("Back", 60, 40, {0, 0}, test::kBlue),
                                        solidLayer("Layer", 25, 30, {-10, 5})},
                                       {60, 40});
    const Bitmap before = bitmapOf(*document, 1);
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionRect(QRectF(0, 5, 20, 20));
    document->recordHistory(QStringLiteral("Layers"));
    DocumentSpy spy(*document);
    bool written = false;
    ASSERT_TRUE(cutSelection(*document, Pasteboard(), [&] { written = true; }));
    EXPECT_TRUE(spy.recordedOnly("Cut"));

    const Layer& cut = document->state().layers[1];
    EXPECT_EQ(cut.origin, QPointF(-10, 5));
    const Bitmap& pixels = *cut.bitmap();
    ASSERT_EQ(pixels.size(), QSize(25, 30));
    EXPECT_EQ(pixelAt(pixels, 10 + 10, 10), kClear);  // the ellipse's centre
    EXPECT_EQ(pixelAt(pixels, 10 + 0, 0), kRed);      // the rectangle's corner lies outside the ellipse
    EXPECT_EQ(pixelAt(pixels, 5, 10), kRed);          // the layer's part outside the canvas
    EXPECT_EQ(pixelAt(pixels, 15, 25), kRed);         // below the selection
    EXPECT_EQ(pixelAt(bitmapOf(*document, 0), 10, 15), test::kBlue) << "other layers stay";

    ASSERT_TRUE(test::waitUntil([&] { return written; }));
    const std::optional<Bitmap> clipboard = test::pastedImage();
    ASSERT_TRUE(clipboard);
    ASSERT_EQ(clipboard->size(), QSize(20, 20));
    EXPECT_EQ(pixelAt(*clipboard, 10, 10), kRed);
    EXPECT_EQ(pixelAt(*clipboard, 17, 10), kClear);  // the layer's own pixels, not the composite
    EXPECT_EQ(pixelAt(*clipboard, 0, 0), kClear);

    document->undoHistory();
    EXPECT_TRUE(test::samePixels(bitmapOf(*document, 1), before));
}

TEST(SelectionPainting, CutNeedsAnUnlockedBitmapLayerAndASelectionInTheCanvas)
{
    auto document = test::documentWith({test::textLayer("Hi"), solidLayer("Layer", 20, 20)}, {40, 40});
    EXPECT_FALSE(canCutSelection(*document));  // no selection
    document->setSelectionRect(QRectF(50, 50, 5, 5));
    EXPECT_FALSE(canCutSelection(*document));  // outside the canvas
    document->setSelectionRect(QRectF(2, 2, 5, 5));
    EXPECT_TRUE(canCutSelection(*document));
    document->changeLiveState([](CanvasState& state) { state.layers[1].isLocked = true; });
    EXPECT_FALSE(canCutSelection(*document));
    test::selectIndices(*document, 0);
    EXPECT_FALSE(canCutSelection(*document));  // a text layer
    DocumentSpy spy(*document);
    EXPECT_FALSE(cutSelection(*document, Pasteboard()));
    EXPECT_EQ(spy.newEntries(), 0);
}

}  // namespace
}  // namespace velmaris
