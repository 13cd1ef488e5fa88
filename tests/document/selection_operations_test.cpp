#include "document/SelectionOperations.h"

#include "document/TestDocuments.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

using test::DocumentSpy;

std::unique_ptr<ImageDocument> emptyDocument(QSizeF size = {1024, 768})
{
    return test::documentWith({}, size);
}

TEST(SelectionOperations, SelectAllMakesARectangleOfTheCanvasAndKeepsInversion)
{
    auto document = emptyDocument();
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionInverted(true);
    DocumentSpy spy(*document);
    selectAll(*document);
    EXPECT_EQ(document->selection().rect, QRectF(0, 0, 1024, 768));
    EXPECT_EQ(document->selection().shape, SelectionShape::rectangle);
    EXPECT_TRUE(document->selection().inverted);
    EXPECT_EQ(spy.selectionChanges(), 2);  // the shape, then the rectangle
    EXPECT_EQ(spy.newEntries(), 0);
    EXPECT_EQ(spy.stateChanges(), 0);

    DocumentSpy again(*document);
    selectAll(*document);
    EXPECT_EQ(again.selectionChanges(), 1);
}

TEST(SelectionOperations, DeselectAndInvertAlwaysAnnounceAndRecordNothing)
{
    auto document = emptyDocument();
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionAspect(QSizeF(16, 9));
    document->setSelectionRect(QRectF(1, 2, 3, 4));
    DocumentSpy spy(*document);
    deselect(*document);
    EXPECT_FALSE(document->selection().rect);
    EXPECT_EQ(document->selection().shape, SelectionShape::ellipse);
    EXPECT_EQ(document->selection().aspect, QSizeF(16, 9));
    deselect(*document);
    EXPECT_EQ(spy.selectionChanges(), 2);

    // Without any selection inversion still toggles.
    invertSelection(*document);
    EXPECT_TRUE(document->selection().inverted);
    invertSelection(*document);
    EXPECT_FALSE(document->selection().inverted);
    EXPECT_EQ(spy.selectionChanges(), 4);

    // Deselect leaves no inversion behind for the next selection.
    document->setSelectionRect(QRectF(1, 2, 3, 4));
    invertSelection(*document);
    deselect(*document);
    EXPECT_FALSE(document->selection().inverted);
    EXPECT_FALSE(document->selection().rect);
    EXPECT_EQ(spy.newEntries(), 0);
    EXPECT_EQ(spy.stateChanges(), 0);
}

TEST(SelectionOperations, ShapeAnnouncesOnlyAChangeAndAspectAnnouncesNothing)
{
    auto document = emptyDocument();
    DocumentSpy spy(*document);
    document->setSelectionShape(SelectionShape::rectangle);
    document->setSelectionAspect(QSizeF(4, 3));
    document->setSelectionAspect(std::nullopt);
    EXPECT_TRUE(spy.silent());
    document->setSelectionShape(SelectionShape::ellipse);
    EXPECT_EQ(spy.selectionChanges(), 1);
}

TEST(SelectionOperations, FixedSizeIsCentredAndCutToTheCanvas)
{
    auto document = emptyDocument();
    document->setSelectionShape(SelectionShape::ellipse);
    document->setSelectionInverted(true);
    DocumentSpy spy(*document);
    ASSERT_TRUE(selectFixedSize(*document, {256, 256}));
    EXPECT_EQ(document->selection().rect, QRectF(384, 256, 256, 256));
    ASSERT_TRUE(selectFixedSize(*document, {2000, 2000}));
    EXPECT_EQ(document->selection().rect, QRectF(0, 0, 1024, 768));
    // round((1024 − 100.5) / 2) = 462 and round(100.5) = 101.
    ASSERT_TRUE(selectFixedSize(*document, {100.5, 1}));
    EXPECT_EQ(document->selection().rect, QRectF(462, 384, 101, 1));
    EXPECT_EQ(document->selection().shape, SelectionShape::ellipse);
    EXPECT_TRUE(document->selection().inverted);
    EXPECT_EQ(spy.selectionChanges(), 3);
    EXPECT_EQ(spy.newEntries(), 0);

    DocumentSpy refused(*document);
    EXPECT_FALSE(selectFixedSize(*document, {0.5, 10}));
    EXPECT_FALSE(selectFixedSize(*document, {10, qInf()}));
    EXPECT_TRUE(refused.silent());
}

TEST(SelectionOperations, IntegralRectInCanvasCoversTheIntersectionOrNothing)
{
    const QSizeF canvas(100, 50);
    EXPECT_EQ(integralRectInCanvas(QRectF(10.5, 5.2, 10, 10), canvas), QRect(10, 5, 11, 11));
    EXPECT_EQ(integralRectInCanvas(QRectF(90, -10, 30, 20), canvas), QRect(90, 0, 10, 10));
    EXPECT_EQ(integralRectInCanvas(QRectF(20, 20, -10, -10), canvas), QRect(10, 10, 10, 10));
    EXPECT_FALSE(integralRectInCanvas(QRectF(100, 0, 10, 10), canvas));
    EXPECT_FALSE(integralRectInCanvas(QRectF(200, 0, 10, 10), canvas));
    EXPECT_FALSE(integralRectInCanvas(QRectF(qQNaN(), 0, 10, 10), canvas));
}

}  // namespace
}  // namespace velmaris
