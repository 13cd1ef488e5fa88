#include "render/ClipMask.h"

#include <gtest/gtest.h>

namespace velmaris {

TEST(ClipMask, RectangleCoversInsideFullyAndFractionalEdgesPartly)
{
    const AlphaPlane mask = makeClipMask(20, 10, QRectF(2.5, 2, 10, 5), MaskShape::rectangle, false);
    ASSERT_EQ(mask.width, 20);
    ASSERT_EQ(mask.height, 10);
    EXPECT_EQ(mask.row(4)[3], 255);
    EXPECT_EQ(mask.row(4)[11], 255);
    EXPECT_EQ(mask.row(1)[5], 0);   // above
    EXPECT_EQ(mask.row(7)[5], 0);   // below: the rectangle ends at y = 7
    EXPECT_EQ(mask.row(4)[13], 0);  // right of x = 12.5
    EXPECT_NEAR(mask.row(4)[2], 128, 8);   // half of column 2
    EXPECT_NEAR(mask.row(4)[12], 128, 8);  // half of column 12
}

TEST(ClipMask, EllipseCoversItsCentreButNotTheCornersOfItsRectangle)
{
    const AlphaPlane mask = makeClipMask(40, 30, QRectF(0, 0, 40, 30), MaskShape::ellipse, false);
    EXPECT_EQ(mask.row(15)[20], 255);
    EXPECT_EQ(mask.row(0)[0], 0);
    EXPECT_EQ(mask.row(29)[39], 0);
    EXPECT_GT(mask.row(15)[0], 0);  // the ellipse touches the rectangle's sides
}

TEST(ClipMask, InvertedMaskIsTheComplement)
{
    for (MaskShape shape : {MaskShape::rectangle, MaskShape::ellipse}) {
        const QRectF rect(3.3, 4.6, 17.2, 9.9);
        const AlphaPlane mask = makeClipMask(25, 20, rect, shape, false);
        const AlphaPlane outside = makeClipMask(25, 20, rect, shape, true);
        for (std::size_t i = 0; i < mask.values.size(); ++i)
            ASSERT_NEAR(outside.values[i], 255 - mask.values[i], 2) << i;
        EXPECT_EQ(outside.row(0)[0], 255);
    }
}

TEST(ClipMask, EmptyOrOversizedAreaGivesAnEmptyPlane)
{
    EXPECT_TRUE(makeClipMask(0, 10, QRectF(0, 0, 5, 5), MaskShape::rectangle, false).values.empty());
    EXPECT_TRUE(makeClipMask(40000, 10, QRectF(0, 0, 5, 5), MaskShape::ellipse, true).values.empty());
}

}  // namespace velmaris
