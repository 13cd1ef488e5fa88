#include "render/ContentBounds.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmaris {
namespace {

// A transparent width × height bitmap with the given pixels set to alpha 1, the faintest there is.
Bitmap faintPixels(int width, int height, const std::vector<QPoint>& points)
{
    auto builder = BitmapBuilder::create(width, height);
    for (const QPoint& point : points)
        builder->row(point.y())[4 * point.x() + 3] = 1;
    return std::move(*builder).build();
}

TEST(ContentBounds, HoldsEveryPixelWithAnyAlpha)
{
    struct Case {
        std::vector<QPoint> points;
        std::optional<QRect> bounds;
    };
    // Tall enough that the rows are scanned in several bands.
    const int width = 37, height = 300;
    const Case cases[] = {
        {{}, std::nullopt},
        {{{0, 0}}, QRect(0, 0, 1, 1)},
        {{{36, 299}}, QRect(36, 299, 1, 1)},
        // The leftmost and rightmost pixels sit in different rows from the top and bottom ones.
        {{{20, 5}, {3, 120}, {30, 121}, {10, 250}}, QRect(QPoint(3, 5), QPoint(30, 250))},
        {{{0, 150}, {36, 150}}, QRect(0, 150, 37, 1)},
    };
    for (const Case& test : cases)
        EXPECT_EQ(contentBounds(faintPixels(width, height, test.points)), test.bounds)
            << test.points.size() << " pixels";
    EXPECT_EQ(contentBounds(test::solidBitmap(5, 4, {0, 0, 0, 255})), QRect(0, 0, 5, 4));
    // Colour without alpha cannot occur premultiplied; only alpha counts.
    EXPECT_EQ(contentBounds(test::solidBitmap(5, 4, {9, 9, 9, 0})), std::nullopt);
}

}  // namespace
}  // namespace velmaris
