#include "document/TransformSession.h"
#include "TestDocuments.h"
#include "render/Orientation.h"

#include <gtest/gtest.h>

#include <numbers>

namespace velmaris {
namespace {

using test::documentWith;
using test::DocumentSpy;
using test::solidLayer;
using test::textLayer;

std::unique_ptr<ImageDocument> documentWithLayer(Layer layer)
{
    auto document = documentWith({std::move(layer)}, {400, 300});
    document->recordHistory(QStringLiteral("Setup"));
    return document;
}

void editSession(ImageDocument& document, double scale, double rotation)
{
    TransformSession session = *document.transform();
    session.scaleX = session.scaleY = scale;
    session.rotation = rotation;
    document.replaceTransform(session);
}

TEST(TransformSession, ScalingKeepsTheCentreAndRoundsTheOrigin)
{
    auto document = documentWithLayer(solidLayer(QStringLiteral("Layer"), 100, 50, {10, 20}));
    beginTransform(*document);
    ASSERT_TRUE(document->transform());
    EXPECT_EQ(document->transform()->center, QPointF(60, 45));
    EXPECT_EQ(document->transform()->originalSize, QSizeF(100, 50));

    editSession(*document, 0.5, 0);
    DocumentSpy spy(*document);
    QSignalSpy transforms(document.get(), &ImageDocument::transformDidChange);
    commitTransform(*document);
    EXPECT_FALSE(document->transform());
    const Layer& layer = document->state().layers.first();
    EXPECT_EQ(layer.origin, QPointF(35, 33));
    EXPECT_EQ(layer.bitmap()->size(), QSize(50, 25));
    EXPECT_EQ(spy.lastEntry(), "Transform Layer");
    EXPECT_EQ(spy.newEntries(), 1);
    EXPECT_EQ(transforms.count(), 1);
}

TEST(TransformSession, QuarterTurnMatchesTheImageRotation)
{
    const Layer original = solidLayer(QStringLiteral("Layer"), 100, 50, {0, 0});
    auto document = documentWithLayer(original);
    beginTransform(*document);
    editSession(*document, 1, std::numbers::pi / 2);
    commitTransform(*document);
    const Layer& layer = document->state().layers.first();
    EXPECT_EQ(layer.bitmap()->size(), QSize(50, 100));
    EXPECT_EQ(layer.origin, QPointF(25, -25));
    EXPECT_TRUE(test::samePixels(*layer.bitmap(), rotatedQuarterTurns(*original.bitmap(), 1)));
}

TEST(TransformSession, UnchangedOrCancelledTransformsLeaveTheLayer)
{
    auto document = documentWithLayer(textLayer("Hi", {5, 5}, 30));
    const CanvasState before = document->state();
    beginTransform(*document);
    ASSERT_TRUE(document->transform());
    DocumentSpy spy(*document);
    commitTransform(*document);
    EXPECT_EQ(spy.newEntries(), 0);
    EXPECT_EQ(spy.stateChanges(), 1);
    EXPECT_TRUE(document->state().layers.first().isText());

    beginTransform(*document);
    editSession(*document, 3, 1);
    cancelTransform(*document);
    EXPECT_FALSE(document->transform());
    EXPECT_EQ(document->state(), before);
    EXPECT_EQ(spy.newEntries(), 0);

    // A text layer turns into pixels once a real transform is committed.
    beginTransform(*document);
    editSession(*document, 2, 0);
    commitTransform(*document);
    EXPECT_FALSE(document->state().layers.first().isText());
}

TEST(TransformSession, LockedMissingOrOpenSessionsRefuseToBegin)
{
    Layer locked = solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0});
    locked.isLocked = true;
    auto document = documentWithLayer(locked);
    beginTransform(*document);
    EXPECT_FALSE(document->transform());

    auto empty = documentWith({}, {10, 10});
    beginTransform(*empty);
    EXPECT_FALSE(empty->transform());

    auto open = documentWithLayer(solidLayer(QStringLiteral("Layer"), 10, 10, {0, 0}));
    beginTransform(*open);
    editSession(*open, 2, 0);
    beginTransform(*open);
    EXPECT_EQ(open->transform()->scaleX, 2);
}

}  // namespace
}  // namespace velmaris
