#include "document/FillOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::DocumentSpy;
using test::pixelAt;

const StoredColor kGreen{0, 1, 0, 1};
const test::Rgba kGreenPixels{0, 255, 0, 255};

// A document of `layers` on a 40 × 30 canvas whose last history entry holds them.
std::unique_ptr<ImageDocument> recordedDocument(QVector<Layer> layers)
{
    auto document = test::documentWith(std::move(layers), {40, 30});
    document->recordHistory(QStringLiteral("Layers"));
    return document;
}

// A 40 × 30 picture: red with a blue band over columns 10 … 19.
Layer bandedLayer()
{
    auto pixels = BitmapBuilder::create(40, 30);
    pixels->fill(255, 0, 0, 255);
    for (int y = 0; y < 30; ++y)
        for (int x = 10; x < 20; ++x)
            std::copy(test::kBlue.begin(), test::kBlue.end(), pixels->row(y) + 4 * x);
    return test::bitmapLayer(std::move(*pixels).build(), {}, QStringLiteral("Banded"));
}

TEST(FillOperations, ExactFillChangesOneRegionWithinTheSelectionAndUndoesExactly)
{
    auto document = recordedDocument({bandedLayer()});
    const Bitmap before = *document->state().layers[0].bitmap();
    DocumentSpy spy(*document);
    ASSERT_TRUE(fillRegion(*document, {2, 2}, {{0, true, false}, FillSampling::layer}, kGreen));
    EXPECT_TRUE(spy.recordedOnly(QStringLiteral("Fill")));
    const Bitmap filled = *document->state().layers[0].bitmap();
    for (int y = 0; y < 30; y += 7)
        for (int x = 0; x < 40; ++x)
            EXPECT_EQ(pixelAt(filled, x, y), x < 10 ? kGreenPixels : pixelAt(before, x, y)) << x << ',' << y;
    document->undoHistory();
    EXPECT_TRUE(document->state().layers[0].bitmap()->sharesPixelsWith(before));

    // The global fill takes the red on both sides, but only inside the elliptical selection.
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionRect(QRectF(0, 0, 40, 30));
    ASSERT_TRUE(fillRegion(*document, {2, 2}, {{0, false, false}, FillSampling::layer}, kGreen));
    const Bitmap global = *document->state().layers[0].bitmap();
    EXPECT_EQ(pixelAt(global, 5, 15), kGreenPixels);
    EXPECT_EQ(pixelAt(global, 35, 15), kGreenPixels);
    EXPECT_EQ(pixelAt(global, 15, 15), test::kBlue);
    EXPECT_EQ(pixelAt(global, 0, 0), test::kRed);  // outside the ellipse
    document->setSelectionRect(QRectF(60, 60, 5, 5));
    EXPECT_FALSE(fillRegion(*document, {2, 2}, {}, kGreen));  // a selection off the canvas
}

TEST(FillOperations, AnEmptyLayerGrowsToTheRegionItSamplesFromTheCompositeOrItself)
{
    Layer empty = test::solidLayer(QStringLiteral("Empty"), 4, 4, {30, 20}, test::kClear);
    auto document = recordedDocument({bandedLayer(), empty});
    ASSERT_TRUE(fillRegion(*document, {12, 3}, {{0, true, false}, FillSampling::composite}, kGreen));
    const Layer band = document->state().layers[1];
    EXPECT_EQ(band.box(), QRectF(10, 0, 24, 30));  // the blue band joined to the old box
    EXPECT_EQ(pixelAt(*band.bitmap(), 0, 0), kGreenPixels);
    EXPECT_EQ(pixelAt(*band.bitmap(), 10, 0), test::kClear);
    document->undoHistory();

    // The empty layer alone is one transparent region the size of the canvas.
    ASSERT_TRUE(fillRegion(*document, {12, 3}, {{0, true, false}, FillSampling::layer}, kGreen));
    EXPECT_EQ(document->state().layers[1].box(), QRectF(0, 0, 40, 30));
    EXPECT_FALSE(fillRegion(*document, {40, 3}, {}, kGreen));  // off the canvas
}

TEST(FillOperations, GradientCoversTheCanvasOrTheSelectionInOneStep)
{
    auto document = recordedDocument({bandedLayer()});
    const Bitmap before = *document->state().layers[0].bitmap();
    const GradientDrawing gradient{GradientShape::linear, {0, 0}, {40, 0}, {0, 255, 0, 255}, {0, 0, 0, 0}};
    DocumentSpy spy(*document);
    ASSERT_TRUE(fillGradient(*document, gradient));
    EXPECT_TRUE(spy.recordedOnly(QStringLiteral("Gradient")));
    const Bitmap painted = *document->state().layers[0].bitmap();
    EXPECT_EQ(pixelAt(painted, 0, 29), (test::Rgba{3, 252, 0, 255}));  // centre 0.5 of 40: t = 1/80
    EXPECT_EQ(pixelAt(painted, 39, 0), (test::Rgba{252, 3, 0, 255}));   // almost all red left
    document->undoHistory();
    EXPECT_TRUE(document->state().layers[0].bitmap()->sharesPixelsWith(before));

    document->setSelectionRect(QRectF(20, 10, 10, 10));
    ASSERT_TRUE(fillGradient(*document, gradient));
    const Bitmap limited = *document->state().layers[0].bitmap();
    EXPECT_EQ(pixelAt(limited, 30, 15), test::kRed);
    EXPECT_EQ(pixelAt(limited, 25, 9), test::kRed);
    EXPECT_NE(pixelAt(limited, 25, 15), test::kRed);
    EXPECT_FALSE(fillGradient(*document, {GradientShape::radial, {3, 3}, {3, 3}, {}, {}}));
}

TEST(FillOperations, LockedAndTextLayersAreRefusedUntilTheTextIsRasterized)
{
    Layer locked = bandedLayer();
    locked.isLocked = true;
    auto document = recordedDocument({locked, test::textLayer(QStringLiteral("Hi"), {4, 4})});
    const GradientDrawing gradient{GradientShape::linear, {0, 0}, {40, 0}, {0, 255, 0, 255}, {0, 0, 0, 0}};
    DocumentSpy spy(*document);
    EXPECT_EQ(paintRefusal(*document), PaintRefusal::text);
    EXPECT_FALSE(fillRegion(*document, {5, 5}, {}, kGreen));
    EXPECT_FALSE(fillGradient(*document, gradient));
    EXPECT_FALSE(rasterizeLayer(*document, document->state().layers[0].id));  // locked bitmap
    EXPECT_TRUE(spy.silent());

    const QRectF box = document->state().layers[1].box();
    ASSERT_TRUE(rasterizeLayer(*document, document->state().layers[1].id));
    EXPECT_EQ(spy.lastEntry(), QStringLiteral("Rasterize Layer"));
    EXPECT_EQ(document->state().layers[1].box(), box);
    EXPECT_EQ(paintRefusal(*document), std::nullopt);
    EXPECT_TRUE(fillGradient(*document, gradient));

    test::selectIndices(*document, 0);
    EXPECT_EQ(paintRefusal(*document), PaintRefusal::locked);
    EXPECT_FALSE(fillRegion(*document, {5, 5}, {}, kGreen));
}

}  // namespace
}  // namespace velmaris
