#include "canvas/SelectionGeometry.h"
#include "canvas/Snapping.h"
#include "canvas/TransformGestures.h"
#include "canvas/ViewGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace velmaris {
namespace {

TEST(ViewGeometry, PointSizeZoomAndCentering)
{
    EXPECT_DOUBLE_EQ(8 * pointSize(4), 2);
    EXPECT_DOUBLE_EQ(pointSize(0.01), 20);
    EXPECT_EQ(clampedMagnification(32 * kZoomStep), 32);
    EXPECT_EQ(clampedMagnification(0.001), kMinMagnification);
    EXPECT_FALSE(fitMagnification({0, 0}, {800, 600}));
    EXPECT_DOUBLE_EQ(*fitMagnification({4000, 3000}, {800, 800}), 0.19);
    EXPECT_EQ(centredOffset(100, 300, 40), 100);
    EXPECT_EQ(centredOffset(500, 300, 40), -40);
    EXPECT_EQ(snapGuideHalfWidth(0.01), 40);
    EXPECT_EQ(snapGuideHalfWidth(2), 2);
}

TEST(ViewGeometry, AntsRedrawStripsOnlyAroundLargeRectangles)
{
    const QSizeF view(400, 300);
    const QRectF small = selectionOutlineArea({10, 10, 10, 10}, 1);
    EXPECT_EQ(small, QRectF(2, 2, 26, 26));
    EXPECT_EQ(antsInvalidation(small, SelectionShape::rectangle, false, view, 1), QVector<QRectF>{small});

    const QRectF large = selectionOutlineArea({10, 10, 100, 100}, 1);
    const QVector<QRectF> strips = antsInvalidation(large, SelectionShape::rectangle, false, view, 1);
    ASSERT_EQ(strips.size(), 4);
    EXPECT_EQ(strips[0], QRectF(2, 2, 116, 16));
    EXPECT_EQ(strips[3], QRectF(102, 2, 16, 116));
    EXPECT_EQ(antsInvalidation(large, SelectionShape::ellipse, false, view, 1), QVector<QRectF>{large});

    const QVector<QRectF> inverted = antsInvalidation(large, SelectionShape::rectangle, true, view, 1);
    ASSERT_EQ(inverted.size(), 8);
    EXPECT_EQ(inverted[1], QRectF(0, 298, 400, 2));
}

TEST(SelectionGeometry, RectanglesAreClippedHeldToAspectAndExpanded)
{
    const QSizeF canvas(400, 300);
    EXPECT_EQ(selectionRect({10, 10}, {-5, 40}, std::nullopt, canvas), QRectF(0, 10, 10, 30));
    const QRectF wide = selectionRect({0, 0}, {100, 10}, QSizeF(16, 9), canvas);
    EXPECT_EQ(wide, QRectF(0, 0, 100, 56.25));
    EXPECT_EQ(integralExpansion(wide), QRectF(0, 0, 100, 57));
    EXPECT_EQ(selectionRect({50, 50}, {40, 0}, QSizeF(1, 1), canvas), QRectF(0, 0, 50, 50));
    EXPECT_EQ(integralExpansion({10.2, 10.7, 5, 5}), QRectF(10, 10, 6, 6));
    EXPECT_EQ(clampedIntoCanvas({390, -5, 20, 20}, canvas), QRectF(380, 0, 20, 20));
    EXPECT_EQ(clampedIntoCanvas({10, 10, 500, 20}, canvas), QRectF(0, 10, 500, 20));
}

TEST(SelectionGeometry, HandlesAnchorsAndEdgeResizing)
{
    const QRectF rect(100, 100, 200, 100);
    EXPECT_EQ(handleAt({301, 99}, rect, 12), SelectionHandle::topRight);
    EXPECT_EQ(handleAt({200, 200}, rect, 12), SelectionHandle::bottom);
    EXPECT_FALSE(handleAt({200, 150}, rect, 12));
    // Overlapping squares of a tiny selection: the earlier handle wins.
    EXPECT_EQ(handleAt({1, 1}, QRectF(0, 0, 2, 2), 12), SelectionHandle::topLeft);
    EXPECT_EQ(anchorPoint(SelectionHandle::topLeft, rect), QPointF(300, 200));
    EXPECT_EQ(anchorPoint(SelectionHandle::left, rect), QPointF(300, 100));
    const QPointF pointer = resizePointer(SelectionHandle::right, {350, 20}, rect);
    EXPECT_EQ(selectionRect(anchorPoint(SelectionHandle::right, rect), pointer, std::nullopt, {400, 300}),
              QRectF(100, 100, 250, 100));
}

TEST(Snapping, NearestTargetWinsAndTiesKeepTheFirst)
{
    // A 100-wide box at x = 3 on a 400-wide canvas snaps its left edge to 0.
    const QVector<double> targets{0, 200, 400};
    const Snap snap = snapOffset({3, 53, 103}, targets, 6);
    EXPECT_EQ(snap.offset, -3);
    EXPECT_EQ(snap.line, 0.0);
    const Snap tie = snapOffset({197, 250, 303}, {0, 200, 300}, 6);
    EXPECT_EQ(tie.line, 200.0);
    EXPECT_FALSE(snapOffset({50, 60, 70}, targets, 6).line);
}

TransformSession sessionOf(QSizeF size, QPointF center)
{
    TransformSession session;
    session.originalSize = size;
    session.center = center;
    return session;
}

TEST(TransformGestures, ScalingRotationAndMovingFollowThePointer)
{
    const TransformSession start = sessionOf({100, 50}, {200, 200});
    EXPECT_EQ(handlePoints(start)[2], QPointF(250, 225));
    EXPECT_TRUE(std::holds_alternative<TransformScaleDrag>(transformDragAt(start, {255, 230}, 8)));
    EXPECT_TRUE(std::holds_alternative<TransformMoveDrag>(transformDragAt(start, {210, 210}, 8)));
    EXPECT_TRUE(std::holds_alternative<TransformRotateDrag>(transformDragAt(start, {270, 240}, 8)));

    TransformDrag corner = TransformScaleDrag{2};
    TransformSession scaled = draggedTransform(start, corner, {300, 250}, false);
    EXPECT_DOUBLE_EQ(scaled.scaleX, 2);
    EXPECT_DOUBLE_EQ(scaled.scaleY, 2);
    scaled = draggedTransform(start, corner, {300, 225}, true);
    EXPECT_DOUBLE_EQ(scaled.scaleX, 2);
    EXPECT_DOUBLE_EQ(scaled.scaleY, 1);
    TransformDrag edge = TransformScaleDrag{5};
    EXPECT_DOUBLE_EQ(draggedTransform(start, edge, {100, 0}, false).scaleX, 2);  // across the centre: no mirror
    EXPECT_DOUBLE_EQ(draggedTransform(start, edge, {200, 0}, false).scaleX, 0.01);

    auto rotatedTo = [&](double degrees) {
        TransformDrag rotate = TransformRotateDrag{0};
        const double radians = degrees * std::numbers::pi / 180;
        const QPointF pointer = start.center + QPointF(100 * std::cos(radians), 100 * std::sin(radians));
        return draggedTransform(start, rotate, pointer, true).rotation * 180 / std::numbers::pi;
    };
    EXPECT_NEAR(rotatedTo(22.4), 15, 1e-9);
    EXPECT_NEAR(rotatedTo(22.5), 30, 1e-9);

    TransformDrag move = TransformMoveDrag{{200, 200}};
    TransformSession moved = draggedTransform(start, move, {210, 195}, false);
    moved = draggedTransform(moved, move, {215, 195}, false);
    EXPECT_EQ(moved.center, QPointF(215, 195));
}

}  // namespace
}  // namespace velmaris
