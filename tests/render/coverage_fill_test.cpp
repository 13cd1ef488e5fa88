#include "render/CoverageFill.h"

#include "render/ClipMask.h"
#include "TestImages.h"

#include <gtest/gtest.h>

namespace velmaris {
namespace {

TEST(CoverageFill, FullAndNoCoverageAreExactAndPartialStaysPremultiplied)
{
    const Bitmap source = test::randomBitmap(67, 9, 4);
    auto target = BitmapBuilder::copyOf(source);
    AlphaPlane coverage(67, 9);
    for (int x = 0; x < 67; ++x)
        coverage.row(3)[x] = std::uint8_t(x * 255 / 66);
    std::fill(coverage.row(5), coverage.row(5) + 67, 255);
    const test::Rgba color{10, 100, 60, 128};
    paintColor(*target, color, coverage);
    const Bitmap painted = std::move(*target).build();

    for (int x = 0; x < 67; ++x) {
        EXPECT_EQ(test::pixelAt(painted, x, 0), test::pixelAt(source, x, 0));
        const test::Rgba old = test::pixelAt(source, x, 5);
        const test::Rgba over = test::pixelAt(painted, x, 5);
        for (int c = 0; c < 4; ++c)  // source-over of the colour, within rounding
            EXPECT_NEAR(over[c], color[c] + old[c] * (255 - 128) / 255.0, 1) << x << ' ' << c;
        const test::Rgba partial = test::pixelAt(painted, x, 3);
        EXPECT_LE(std::max({partial[0], partial[1], partial[2]}), partial[3]);
    }
    EXPECT_EQ(test::pixelAt(painted, 0, 3), test::pixelAt(source, 0, 3));
}

TEST(CoverageFill, StrokeMaskOutlinesInsideItsLineAndNothingForANegativeRectangle)
{
    const AlphaPlane ring = makeStrokeMask(30, 30, QRectF(5, 5, 20, 20), MaskShape::rectangle, 4);
    EXPECT_EQ(ring.row(15)[3], 255);   // the line spans 3 … 7
    EXPECT_EQ(ring.row(15)[6], 255);
    EXPECT_EQ(ring.row(15)[7], 0);
    EXPECT_EQ(ring.row(15)[2], 0);
    EXPECT_EQ(ring.row(3)[3], 255);    // square corner
    const AlphaPlane none = makeStrokeMask(30, 30, QRectF(5, 5, -1, 20), MaskShape::ellipse, 4);
    EXPECT_EQ(std::count(none.values.begin(), none.values.end(), 0), 30 * 30);
}

}  // namespace
}  // namespace velmaris
