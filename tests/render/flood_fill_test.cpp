#include "render/CoverageFill.h"
#include "render/FloodFill.h"
#include "render/Gradient.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

namespace velmaris {
namespace {

constexpr test::Rgba kRed{255, 0, 0, 255};
constexpr test::Rgba kBlue{0, 0, 255, 255};

BitmapBuilder builderOf(int width, int height, test::Rgba color)
{
    auto builder = BitmapBuilder::create(width, height);
    builder->fill(color[0], color[1], color[2], color[3]);
    return std::move(*builder);
}

void setPixel(BitmapBuilder& image, int x, int y, test::Rgba color)
{
    std::copy(color.begin(), color.end(), image.row(y) + 4 * x);
}

int coveredCount(const AlphaPlane& plane)
{
    return int(plane.values.size() - std::count(plane.values.begin(), plane.values.end(), 0));
}

TEST(FloodFill, ExactFillTakesOneRegionAndTheGlobalFillEveryPixelOfThatColour)
{
    // Red on both sides of a blue wall, and a blue island inside the left side.
    BitmapBuilder image = builderOf(20, 10, kRed);
    for (int y = 0; y < 10; ++y)
        setPixel(image, 12, y, kBlue);
    setPixel(image, 4, 4, kBlue);
    const QImage pixels = std::move(image).build().image();

    const AlphaPlane left = regionCoverage(pixels, {1, 1}, {0, true, false});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(left.row(y)[x], x < 12 && !(x == 4 && y == 4) ? 255 : 0) << x << ',' << y;

    const AlphaPlane every = regionCoverage(pixels, {1, 1}, {0, false, false});
    EXPECT_EQ(coveredCount(every), 200 - 11);
    EXPECT_EQ(every.row(3)[15], 255);
    const AlphaPlane island = regionCoverage(pixels, {4, 4}, {0, true, false});
    EXPECT_EQ(coveredCount(island), 1);
    EXPECT_TRUE(regionCoverage(pixels, {20, 0}, {}).values.empty());
}

TEST(FloodFill, ToleranceIsAPercentOfAFullStepPerComponentAndContiguityStopsAtTheFirstMiss)
{
    BitmapBuilder image = builderOf(8, 1, kRed);
    for (int x = 0; x < 6; ++x)
        setPixel(image, x, 0, {std::uint8_t(100 + 10 * x), 0, 0, 255});
    setPixel(image, 7, 0, {110, 0, 0, 255});  // matches, but past a miss
    const QImage pixels = std::move(image).build().image();

    // 10 % of 255 rounds to 26: 100, 110 and 120 match the seed 100, 130 does not.
    const AlphaPlane connected = regionCoverage(pixels, {0, 0}, {10, true, false});
    EXPECT_EQ(std::vector<std::uint8_t>(connected.values), (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 0, 0}));
    const AlphaPlane anywhere = regionCoverage(pixels, {0, 0}, {10, false, false});
    EXPECT_EQ(anywhere.values[7], 255);
    EXPECT_EQ(coveredCount(regionCoverage(pixels, {0, 0}, {100, true, false})), 8);
}

TEST(FloodFill, ScanlineFillMatchesAPlainFloodOnARandomMaze)
{
    const int width = 173, height = 131;
    std::mt19937 random(7);
    BitmapBuilder image = builderOf(width, height, kRed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (random() % 100 < 38)
                setPixel(image, x, y, kBlue);
    setPixel(image, 80, 60, kRed);
    const QImage pixels = std::move(image).build().image();

    std::vector<std::uint8_t> expected(std::size_t(width) * height, 0);
    std::deque<QPoint> queue{{80, 60}};
    expected[std::size_t(60) * width + 80] = 255;
    while (!queue.empty()) {
        const QPoint p = queue.front();
        queue.pop_front();
        for (QPoint next : {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)}) {
            const std::size_t index = std::size_t(next.y()) * width + next.x();
            if (pixels.rect().contains(next) && !expected[index] && pixels.pixel(next) == pixels.pixel(80, 60)) {
                expected[index] = 255;
                queue.push_back(next);
            }
        }
    }
    const AlphaPlane filled = regionCoverage(pixels, {80, 60}, {0, true, false});
    EXPECT_EQ(filled.values, expected);
    EXPECT_GT(coveredCount(filled), 100);
}

TEST(FloodFill, AntiAliasedRimFallsWithDistanceAndOnlyBordersTheRegion)
{
    BitmapBuilder image = builderOf(6, 3, {0, 0, 0, 255});
    for (int y = 0; y < 3; ++y) {
        setPixel(image, 2, y, {128, 128, 128, 255});  // a half-blended edge
        for (int x = 3; x < 6; ++x)
            setPixel(image, x, y, {255, 255, 255, 255});
    }
    const QImage pixels = std::move(image).build().image();
    const AlphaPlane soft = regionCoverage(pixels, {0, 1}, {0, true, true});
    EXPECT_EQ(soft.row(1)[1], 255);
    EXPECT_NEAR(soft.row(1)[2], 127, 1);
    EXPECT_EQ(soft.row(1)[3], 0);  // not beside the region
    const AlphaPlane hard = regionCoverage(pixels, {0, 1}, {0, true, false});
    EXPECT_EQ(hard.row(1)[2], 0);
}

TEST(CoverageOperations, IntersectBoundAndFrame)
{
    AlphaPlane plane(10, 6);
    plane.row(2)[3] = 255;
    plane.row(4)[7] = 200;
    EXPECT_EQ(coveredBounds(plane), QRect(QPoint(3, 2), QPoint(7, 4)));
    EXPECT_EQ(coveredBounds(AlphaPlane(4, 4)), std::nullopt);

    AlphaPlane half(10, 6, 128);
    intersectCoverage(plane, half);
    EXPECT_EQ(plane.row(2)[3], 128);
    EXPECT_EQ(plane.row(4)[7], 100);

    const AlphaPlane framed = framedCoverage(plane, QRect(2, 1, 12, 2));  // reaches past the right edge
    EXPECT_EQ(framed.width, 12);
    EXPECT_EQ(framed.row(1)[1], 128);
    EXPECT_EQ(coveredCount(framed), 1);
}

TEST(Gradient, EndsCarryTheirColoursAndAFadeToTransparentKeepsItsHue)
{
    const test::Rgba red{200, 0, 0, 200};
    GradientDrawing linear{GradientShape::linear, {10, 0}, {90, 0}, red, {0, 0, 0, 0}};
    BitmapBuilder target = builderOf(100, 2, {0, 0, 0, 0});
    paintGradient(target, {0, 0}, linear, AlphaPlane(100, 2, 255));
    const Bitmap painted = std::move(target).build();
    EXPECT_EQ(test::pixelAt(painted, 0, 0), red);                     // held before the start
    EXPECT_EQ(test::pixelAt(painted, 95, 1), (test::Rgba{0, 0, 0, 0}));  // and past the end
    const test::Rgba middle = test::pixelAt(painted, 49, 0);          // centre at 49.5: t = 0.49375
    EXPECT_NEAR(middle[3], 200 * (1 - 0.49375), 1);
    EXPECT_EQ(middle[0], middle[3]);
    EXPECT_EQ(middle[1], 0);
    for (int x = 1; x < 100; ++x)
        EXPECT_LE(test::pixelAt(painted, x, 0)[3], test::pixelAt(painted, x - 1, 0)[3]);

    // Over opaque pixels, at an offset origin, through half coverage, in a circle.
    GradientDrawing radial{GradientShape::radial, {25.5, 25.5}, {25.5, 35.5}, kBlue, kRed};
    BitmapBuilder over = builderOf(30, 30, {255, 255, 255, 255});
    AlphaPlane coverage(30, 30, 255);
    coverage.row(0)[0] = 128;
    paintGradient(over, {10, 10}, radial, coverage);
    const Bitmap circle = std::move(over).build();
    EXPECT_EQ(test::pixelAt(circle, 15, 15), kBlue);  // its centre is the start
    EXPECT_EQ(test::pixelAt(circle, 29, 29), kRed);
    // Red over white at half weight.
    EXPECT_LE(test::channelDistance(test::pixelAt(circle, 0, 0), {255, 127, 127, 255}), 1);
    EXPECT_TRUE(test::validPremultiplied(circle));

    BitmapBuilder untouched = builderOf(5, 5, kRed);
    paintGradient(untouched, {0, 0}, {GradientShape::linear, {2, 2}, {2, 2}, kBlue, kBlue}, AlphaPlane(5, 5, 255));
    EXPECT_EQ(test::pixelAt(std::move(untouched).build(), 2, 2), kRed);
}

}  // namespace
}  // namespace velmaris
