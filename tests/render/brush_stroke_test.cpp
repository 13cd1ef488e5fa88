#include "render/BrushStroke.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmaris {
namespace {

const BrushInk kBlack{StoredColor{0, 0, 0, 1}, false};

void paintLine(BrushStroke& stroke, QPointF from, QPointF to)
{
    for (int i = 0; i <= 30; ++i)
        stroke.strokeTo(from + (to - from) * i / 30.0, 1.0, 0.01);
}

bool samePixels(const Bitmap& a, const Bitmap& b, const QRect& areaOfA, QPoint offsetInB)
{
    for (int y = areaOfA.top(); y <= areaOfA.bottom(); ++y)
        if (std::memcmp(a.row(y) + 4 * areaOfA.left(), b.row(y + offsetInB.y()) + 4 * (areaOfA.left() + offsetInB.x()),
                        std::size_t(areaOfA.width()) * 4) != 0)
            return false;
    return true;
}

TEST(BrushStroke, TheLayerGrowsToThePaintInsideTheCanvasKeepingItsPixelsExactly)
{
    // A 40 × 30 layer at (100, 80) on a 300 × 200 canvas; the stroke runs left of it, off the
    // canvas's left edge, and across it.
    const Bitmap layer = test::randomBitmap(40, 30, 7);
    BrushStroke stroke(layer, {100, 80}, {300, 200}, BrushSettings{BrushPreset::hardRound, 10, 1, 1}, kBlack);
    paintLine(stroke, {-20, 95}, {120, 95});
    const std::optional<PaintedLayer> painted = stroke.result();
    ASSERT_TRUE(painted);
    // Cut at the canvas's left edge, a little taller than the brush around the path, and the layer's own box.
    EXPECT_EQ(painted->origin, QPoint(0, 80));
    EXPECT_EQ(painted->origin.y() + painted->pixels.height(), 110);
    EXPECT_EQ(painted->origin.x() + painted->pixels.width(), 140);
    const QPoint offset = QPoint(100, 80) - painted->origin;
    // Away from the path the layer's pixels are untouched, bit for bit.
    EXPECT_TRUE(samePixels(layer, painted->pixels, QRect(0, 0, 40, 6), offset));
    EXPECT_TRUE(samePixels(layer, painted->pixels, QRect(25, 0, 15, 30), offset));
    EXPECT_EQ(qAlpha(painted->pixels.image().pixel(QPoint(50, 95) - painted->origin)), 255);
    // Pixels of the canvas the stroke left alone stay transparent.
    EXPECT_EQ(painted->pixels.image().pixel(QPoint(50, 80) - painted->origin), 0u);
}

TEST(BrushStroke, AClipKeepsEveryPixelOutsideItAndAStrokeChangingNothingHasNoResult)
{
    const Bitmap layer = test::randomBitmap(64, 64, 3);
    // The clip covers the left half fully and nothing of the right half.
    const StrokeClip leftHalf = [](const QRect& area) {
        AlphaPlane plane(area.width(), area.height());
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x)
                plane.row(y)[x] = area.left() + x < 32 ? 255 : 0;
        return plane;
    };
    BrushStroke stroke(layer, {0, 0}, {64, 64}, BrushSettings{BrushPreset::softRound, 16, 1, 0.5}, kBlack, leftHalf);
    paintLine(stroke, {4, 32}, {60, 32});
    const std::optional<PaintedLayer> painted = stroke.result();
    ASSERT_TRUE(painted);
    EXPECT_EQ(painted->origin, QPoint(0, 0));
    EXPECT_TRUE(samePixels(layer, painted->pixels, QRect(32, 0, 32, 64), {0, 0}));
    EXPECT_FALSE(samePixels(layer, painted->pixels, QRect(0, 24, 32, 16), {0, 0}));
    const QImage tile = stroke.tilePixels({0, 0});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(tile.pixel(x, y), painted->pixels.image().pixel(x, y)) << x << "," << y;

    BrushStroke outside(layer, {0, 0}, {64, 64}, BrushSettings{}, kBlack, leftHalf);
    paintLine(outside, {50, 10}, {50, 50});
    EXPECT_FALSE(outside.result());
}

TEST(BrushStroke, EveryPresetIsInstalledAndPaints)
{
    for (const BrushPreset preset : kBrushPresets) {
        EXPECT_TRUE(brushPresetData(preset)) << rawValue(preset).toStdString();
        EXPECT_EQ(brushPresetFromRawValue(rawValue(preset)), preset);
        const Bitmap clear = test::solidBitmap(128, 64, {0, 0, 0, 0});
        BrushStroke stroke(clear, {0, 0}, {128, 64}, BrushSettings{preset, 20, 1, 0.8}, kBlack);
        paintLine(stroke, {10, 32}, {118, 32});
        const std::optional<PaintedLayer> painted = stroke.result();
        ASSERT_TRUE(painted) << rawValue(preset).toStdString();
        EXPECT_GT(qAlpha(painted->pixels.image().pixel(QPoint(64, 32) - painted->origin)), 0)
            << rawValue(preset).toStdString();
    }
}

}  // namespace
}  // namespace velmaris
