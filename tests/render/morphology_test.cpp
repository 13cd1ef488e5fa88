#include "render/Morphology.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <limits>
#include <random>

namespace velmaris {
namespace {

AlphaPlane singlePixel(int size, int x, int y, std::uint8_t value = 255)
{
    AlphaPlane plane(size, size);
    plane.row(y)[x] = value;
    return plane;
}

// The maximum over the disc, pixel by pixel.
AlphaPlane bruteForceMaximum(const AlphaPlane& plane, double radius)
{
    AlphaPlane result(plane.width, plane.height);
    const int reach = int(radius) + 1;
    for (int y = 0; y < plane.height; ++y)
        for (int x = 0; x < plane.width; ++x)
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (dx * dx + dy * dy <= radius * radius && sx >= 0 && sy >= 0 && sx < plane.width && sy < plane.height)
                        result.row(y)[x] = std::max(result.row(y)[x], plane.row(sy)[sx]);
                }
    return result;
}

TEST(Morphology, SinglePixelGrowsIntoADiscOfTheRadius)
{
    for (double radius : {3.0, 1.5, 2.5, 4.99}) {
        AlphaPlane plane = singlePixel(15, 7, 7);
        morphologyMaximum(plane, radius);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x) {
                const bool inside = (x - 7) * (x - 7) + (y - 7) * (y - 7) <= radius * radius;
                ASSERT_EQ(plane.row(y)[x], inside ? 255 : 0) << radius << " at " << x << "," << y;
            }
    }
    AlphaPlane plane = singlePixel(15, 7, 7);
    morphologyMaximum(plane, 3);
    EXPECT_EQ(plane.row(7)[10], 255);  // (3, 0)
    EXPECT_EQ(plane.row(9)[9], 255);   // (2, 2): 2.83 away
    EXPECT_EQ(plane.row(10)[9], 0);    // (2, 3): 3.6 away
}

TEST(Morphology, MatchesTheDiscMaximumAcrossBandsAndEdges)
{
    std::mt19937 random(11);
    AlphaPlane plane(53, 97);
    for (auto& value : plane.values)
        value = random() % 23 == 0 ? std::uint8_t(random() % 256) : 0;
    for (double radius : {0.5, 1.0, 4.3, 7.5}) {
        AlphaPlane grown = plane;
        morphologyMaximum(grown, radius);
        EXPECT_EQ(grown.values, bruteForceMaximum(plane, radius).values) << radius;
    }
}

TEST(Morphology, LargeRadiiMatchTheDiscMaximumForFewLevelsAndStayCloseOnSoftEdges)
{
    std::mt19937 random(5);
    AlphaPlane mask(90, 70);
    for (auto& value : mask.values)
        value = random() % 97 == 0 ? std::uint8_t(random() % 2 ? 255 : 90) : 0;
    for (double radius : {17.0, 20.5, 33.9}) {
        AlphaPlane grown = mask;
        morphologyMaximum(grown, radius);
        EXPECT_EQ(grown.values, bruteForceMaximum(mask, radius).values) << radius;
    }

    // An antialiased disc: opaque inside, a one-pixel soft rim of many values.
    AlphaPlane soft(80, 80);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const double distance = std::hypot(x - 39.5, y - 39.5);
            soft.row(y)[x] = std::uint8_t(std::lround(255 * std::clamp(10.5 - distance, 0.0, 1.0)));
        }
    AlphaPlane grown = soft;
    morphologyMaximum(grown, 20);
    const AlphaPlane expected = bruteForceMaximum(soft, 20);
    int differing = 0;
    for (std::size_t i = 0; i < grown.values.size(); ++i) {
        ASSERT_LE(grown.values[i], expected.values[i]);
        differing += grown.values[i] != expected.values[i];
    }
    EXPECT_LT(differing, 2 * 3.15 * 31);  // at most about the outer ring
    EXPECT_EQ(grown.row(39)[11], 255);
    EXPECT_EQ(grown.row(39)[8], 0);
}

TEST(Morphology, NonPositiveRadiusChangesNothingAndHugeRadiusFillsWithTheMaximum)
{
    const AlphaPlane plane = singlePixel(9, 0, 8, 77);
    for (double radius : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        AlphaPlane same = plane;
        morphologyMaximum(same, radius);
        EXPECT_EQ(same.values, plane.values);
    }
    AlphaPlane filled = plane;
    morphologyMaximum(filled, 1e12);
    EXPECT_EQ(filled.values, std::vector<std::uint8_t>(81, 77));
}

}  // namespace
}  // namespace velmaris
