#include "document/CopyComposite.h"

#include "PastedImage.h"
#include "QtWait.h"
#include "document/LayerStackOperations.h"
#include "document/TestDocuments.h"
#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::pixelAt;

DocumentSelection selectionOf(QRectF rect, SelectionShape shape = SelectionShape::rectangle, bool inverted = false)
{
    DocumentSelection selection;
    selection.rect = rect;
    selection.shape = shape;
    selection.inverted = inverted;
    return selection;
}

TEST(CopyComposite, RegionIsTheSelectionRoundedOutwardInsideTheCanvas)
{
    const QSize canvas(100, 80);
    EXPECT_EQ(copyRegion(canvas, selectionOf({10.2, 10.7, 5, 5})), QRect(10, 10, 6, 6));
    EXPECT_EQ(copyRegion(canvas, {}), QRect(0, 0, 100, 80));
    EXPECT_EQ(copyRegion(canvas, selectionOf({10, 10, 5, 5}, SelectionShape::ellipse, true)), QRect(0, 0, 100, 80));
    EXPECT_EQ(copyRegion(canvas, selectionOf({90.5, -4, 20, 10})), QRect(90, 0, 10, 6));
    EXPECT_EQ(copyRegion(canvas, selectionOf({20, 20, -5, 5})), QRect(15, 20, 5, 5));
    EXPECT_FALSE(copyRegion(canvas, selectionOf({120, 10, 5, 5})));
    EXPECT_FALSE(copyRegion(canvas, selectionOf({10, 10, 0, 5})));
    EXPECT_FALSE(copyRegion(canvas, selectionOf({qInf(), 10, 5, 5})));
    EXPECT_FALSE(copyRegion(canvas, selectionOf({1e300, 10, 5, 5})));
}

TEST(CopyComposite, CutsAndMasksTheComposite)
{
    const Bitmap pixels = test::opaqueRandomBitmap(40, 40, 9);
    CanvasState state;
    state.size = {40, 40};
    state.layers.append(test::bitmapLayer(pixels));

    const std::optional<Bitmap> rect = copiedImage(state, selectionOf({10.2, 10.7, 5, 5}));
    ASSERT_TRUE(rect);
    ASSERT_EQ(rect->size(), QSize(6, 6));
    EXPECT_EQ(pixelAt(*rect, 0, 0), pixelAt(pixels, 10, 10));
    EXPECT_EQ(pixelAt(*rect, 5, 5), pixelAt(pixels, 15, 15));

    const std::optional<Bitmap> whole = copiedImage(state, {});
    ASSERT_TRUE(whole);
    EXPECT_TRUE(test::samePixels(*whole, pixels));

    const std::optional<Bitmap> ellipse = copiedImage(state, selectionOf({10, 10, 20, 20}, SelectionShape::ellipse));
    ASSERT_TRUE(ellipse);
    ASSERT_EQ(ellipse->size(), QSize(20, 20));
    EXPECT_EQ(pixelAt(*ellipse, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(*ellipse, 19, 19)[3], 0);
    EXPECT_EQ(pixelAt(*ellipse, 10, 10), pixelAt(pixels, 20, 20));

    // Inverted: the whole canvas with a hole where the selection is.
    const std::optional<Bitmap> inverted = copiedImage(state, selectionOf({10, 10, 5, 5}, SelectionShape::rectangle, true));
    ASSERT_TRUE(inverted);
    ASSERT_EQ(inverted->size(), QSize(40, 40));
    EXPECT_EQ(pixelAt(*inverted, 12, 12)[3], 0);
    EXPECT_EQ(pixelAt(*inverted, 10, 10)[3], 0);
    EXPECT_EQ(pixelAt(*inverted, 9, 9), pixelAt(pixels, 9, 9));
    EXPECT_EQ(pixelAt(*inverted, 15, 15), pixelAt(pixels, 15, 15));
    EXPECT_EQ(pixelAt(*inverted, 39, 0), pixelAt(pixels, 39, 0));
    const std::optional<Bitmap> invertedEllipse =
        copiedImage(state, selectionOf({0, 0, 40, 40}, SelectionShape::ellipse, true));
    ASSERT_TRUE(invertedEllipse);
    EXPECT_EQ(pixelAt(*invertedEllipse, 20, 20)[3], 0);
    EXPECT_EQ(pixelAt(*invertedEllipse, 0, 0), pixelAt(pixels, 0, 0));
}

TEST(CopyComposite, CopiedRegionPastesAsALayerAndNothingLeavesTheClipboardAlone)
{
    auto document = test::documentWith({test::solidLayer("Red", 30, 30, {}, test::kRed)}, {30, 30});
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    document->setSelectionRect(QRectF(40, 40, 5, 5));  // outside the canvas
    EXPECT_FALSE(copyComposite(*document, Pasteboard()));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");

    document->setSelectionRect(QRectF(2.5, 3, 4, 4));
    bool written = false;
    ASSERT_TRUE(copyComposite(*document, Pasteboard(), [&] { written = true; }));
    ASSERT_TRUE(test::waitUntil([&] { return written; }));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat("image/png"));
    EXPECT_TRUE(data->hasFormat("image/tiff"));

    test::DocumentSpy spy(*document);
    ASSERT_TRUE(pasteImageLayer(*document, test::pastedImage().value_or(Bitmap())));
    EXPECT_TRUE(spy.recordedOnly("Paste"));
    const Layer& pasted = document->state().layers.last();
    ASSERT_TRUE(pasted.bitmap());
    EXPECT_EQ(pasted.bitmap()->size(), QSize(5, 4));
    EXPECT_EQ(pixelAt(*pasted.bitmap(), 4, 3), test::kRed);
}

}  // namespace
}  // namespace velmaris
