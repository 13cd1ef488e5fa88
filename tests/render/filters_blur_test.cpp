#include "render/filters/BloomGloomFilters.h"
#include "render/filters/BokehBlurFilter.h"
#include "render/filters/Convolution3x3Filter.h"
#include "render/filters/EdgesFilter.h"
#include "render/filters/GaussianBlurFilter.h"
#include "render/filters/MedianFilter.h"
#include "render/filters/MotionBlurFilter.h"
#include "render/filters/NoiseReductionFilter.h"
#include "render/filters/SharpenFilters.h"
#include "render/filters/ZoomBlurFilter.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace velmaris {

namespace {

using test::pixelAt;
using test::Rgba;

constexpr std::array<double, 9> kEmboss{-2, -1, 0, -1, 1, 1, 0, 1, 2};

// Opaque pixels with every colour component drawn from rgb(x, y).
template <typename Colour>
Bitmap opaqueBitmap(int width, int height, Colour rgb)
{
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgba c = rgb(x, y);
            std::uint8_t* p = builder->row(y) + 4 * x;
            p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
        }
    return std::move(*builder).build();
}

// Black with one white pixel.
Bitmap spot(int width, int height, int x, int y)
{
    return opaqueBitmap(width, height, [&](int px, int py) {
        const std::uint8_t v = px == x && py == y ? 255 : 0;
        return Rgba{v, v, v, 255};
    });
}

// Left half dark, right half light.
Bitmap step(int width, int height)
{
    return opaqueBitmap(width, height, [&](int x, int) {
        const std::uint8_t v = x < width / 2 ? 60 : 190;
        return Rgba{v, v, v, 255};
    });
}

// Zoom blur computed pixel by pixel with the same float operations in the same order as the
// row-wise kernel: each sample blends two source rows, then interpolates between two columns.
Bitmap zoomBlurReference(const Bitmap& input, QPointF center, double amount)
{
    const int width = input.width(), height = input.height();
    const double cx = std::clamp(center.x(), -1e6, 1e6) - 0.5, cy = std::clamp(center.y(), -1e6, 1e6) - 0.5;
    double farthest = 0;
    for (const double x : {0.0, width - 1.0})
        for (const double y : {0.0, height - 1.0})
            farthest = std::max(farthest, std::hypot(x - cx, y - cy));
    const double reach = std::min(amount / std::max(farthest, 1e-9), 1.0);
    auto output = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y) {
        const double longest = reach * std::max(std::hypot(0 - cx, y - cy), std::hypot(width - 1.0 - cx, y - cy));
        const int samples = int(std::min(std::ceil(longest), 95.0)) + 1;
        for (int x = 0; x < width; ++x) {
            float acc[4] = {};
            for (int k = 0; k < samples; ++k) {
                const double pull = samples > 1 ? reach * k / (samples - 1) : 0.0;
                const double sourceY = std::clamp(y + (cy - y) * pull, 0.0, height - 1.0);
                const int top = int(sourceY);
                const float below = float(sourceY - top);
                const float at = std::clamp(float(x) * float(1.0 - pull) + float(cx * pull), 0.0f, float(width - 1));
                const int left = int(at), right = std::min(left + 1, width - 1);
                const float fraction = at - float(left);
                for (int c = 0; c < 4; ++c) {
                    const auto blended = [&](int column) {
                        const float upper = input.row(top)[4 * column + c];
                        const float lower = input.row(std::min(top + 1, height - 1))[4 * column + c];
                        return upper + below * (lower - upper);
                    };
                    const float low = blended(left), high = blended(right);
                    acc[c] += low + fraction * (high - low);
                }
            }
            std::uint8_t* pixel = output->row(y) + 4 * x;
            for (int c = 0; c < 4; ++c)
                pixel[c] = std::uint8_t(std::clamp(std::lrint(acc[c] * (1.0f / float(samples))), 0L, 255L));
            for (int c = 0; c < 3; ++c)
                pixel[c] = std::min(pixel[c], pixel[3]);
        }
    }
    return std::move(*output).build();
}

}  // namespace

TEST(FiltersBlur, ZeroStrengthGivesTheInputBack)
{
    const Bitmap input = test::randomBitmap(31, 17, 2);
    EXPECT_TRUE(test::samePixels(gaussianBlurFilter(input, 0), input));
    EXPECT_TRUE(test::samePixels(motionBlurFilter(input, 0, 1.0), input));
    EXPECT_TRUE(test::samePixels(zoomBlurFilter(input, QPointF(3, 4), 0), input));
    EXPECT_TRUE(test::samePixels(bokehBlurFilter(input, 0), input));
    EXPECT_TRUE(test::samePixels(sharpenLuminanceFilter(input, 0), input));
    EXPECT_TRUE(test::samePixels(unsharpMaskFilter(input, 2.5, 0), input));
    EXPECT_TRUE(test::samePixels(unsharpMaskFilter(input, 0, 1), input));
    EXPECT_TRUE(test::samePixels(noiseReductionFilter(input, 0, 0), input));
    EXPECT_TRUE(test::samePixels(convolution3x3Filter(input, {0, 0, 0, 0, 1, 0, 0, 0, 0}, 0), input));
    EXPECT_TRUE(test::samePixels(bloomFilter(input, 10, 0), input));
    EXPECT_TRUE(test::samePixels(gloomFilter(input, 10, 0), input));
}

TEST(FiltersBlur, BlursRepeatTheEdgeSoAFlatImageStaysFlat)
{
    const Bitmap flat = test::solidBitmap(25, 19, {40, 80, 120, 200});
    const QPointF corner(0, 0);
    for (const Bitmap& blurred : {gaussianBlurFilter(flat, 6), motionBlurFilter(flat, 30, 0.7),
                                  zoomBlurFilter(flat, corner, 40), bokehBlurFilter(flat, 9), medianFilter(flat),
                                  noiseReductionFilter(flat, 0.1, 2), unsharpMaskFilter(flat, 3, 2),
                                  sharpenLuminanceFilter(flat, 2)})
        EXPECT_LE(test::bitmapDistance(blurred, flat), 1);
}

TEST(FiltersBlur, MotionBlurSmearsOnlyAlongItsAngle)
{
    const Bitmap input = spot(41, 41, 20, 20);
    const auto lit = [](const Bitmap& b, int x, int y) { return pixelAt(b, x, y)[0] > 0; };
    const Bitmap across = motionBlurFilter(input, 6, 0);
    EXPECT_TRUE(lit(across, 15, 20) && lit(across, 25, 20));
    EXPECT_FALSE(lit(across, 20, 17) || lit(across, 20, 23) || lit(across, 29, 20));
    // A quarter turn counter-clockwise smears up and down the screen.
    const Bitmap upright = motionBlurFilter(input, 6, std::numbers::pi / 2);
    EXPECT_TRUE(lit(upright, 20, 15) && lit(upright, 20, 25));
    EXPECT_FALSE(lit(upright, 17, 20) || lit(upright, 23, 20));
    // 45° counter-clockwise on screen runs up to the right.
    const Bitmap rising = motionBlurFilter(input, 6, std::numbers::pi / 4);
    EXPECT_TRUE(lit(rising, 23, 17) && lit(rising, 17, 23));
    EXPECT_FALSE(lit(rising, 17, 17) || lit(rising, 23, 23));
    // The light is spread, not lost: about 12 pixels share it.
    int total = 0;
    for (int x = 0; x < 41; ++x)
        total += pixelAt(across, x, 20)[0];
    EXPECT_NEAR(total, 255, 12);
}

TEST(FiltersBlur, MotionBlurAlongRowsMatchesThePassByPassOrder)
{
    // A full turn points along the rows too, but its sine is not quite zero, so it takes the
    // pass-by-pass order through whole-image planes; the results must not differ.
    const double turn = 2 * std::numbers::pi;
    for (const Bitmap& input : {test::randomBitmap(97, 23, 7), test::opaqueRandomBitmap(5, 4, 8)})
        for (const double radius : {0.3, 1.5, 20.0, 90.0})
            EXPECT_TRUE(test::samePixels(motionBlurFilter(input, radius, 0), motionBlurFilter(input, radius, turn)))
                << radius;
}

TEST(FiltersBlur, ZoomBlurSmearsTowardsTheCentreAndKeepsTheCentreSharp)
{
    // A white ray from the centre to the right edge, and a dot above the centre on the left.
    const Bitmap input = opaqueBitmap(61, 41, [](int x, int y) {
        const std::uint8_t v = (y == 20 && x >= 30) || (x == 5 && y == 10) ? 255 : 0;
        return Rgba{v, v, v, 255};
    });
    const Bitmap zoomed = zoomBlurFilter(input, QPointF(30.5, 20.5), 20);
    EXPECT_EQ(pixelAt(zoomed, 30, 20), pixelAt(input, 30, 20));
    // Along the ray every sample stays on the ray.
    EXPECT_GE(pixelAt(zoomed, 60, 20)[0], 250);
    EXPECT_EQ(pixelAt(zoomed, 60, 15)[0], 0);
    // The dot is dragged outwards, away from the centre, not inwards.
    EXPECT_LT(pixelAt(zoomed, 5, 10)[0], 128);
    EXPECT_GT(pixelAt(zoomed, 2, 9)[0] + pixelAt(zoomed, 3, 9)[0], 0);
    EXPECT_EQ(pixelAt(zoomed, 8, 11)[0], 0);
}

TEST(FiltersBlur, ZoomBlurMatchesItsPixelByPixelReference)
{
    // Wide enough for several chunks of columns and a ragged end; translucent noise with clear,
    // half-covered and opaque stripes; centres inside, on the edge, outside and far away; amounts
    // from a fraction of a pixel to one that reaches the sample limit.
    auto builder = BitmapBuilder::create(203, 41);
    const Bitmap noise = test::randomBitmap(203, 41, 12);
    for (int y = 0; y < 41; ++y) {
        std::memcpy(builder->row(y), noise.row(y), 4 * 203);
        for (int x = 0; x < 203; x += 7)
            for (int c = 0; c < 4; ++c)
                builder->row(y)[4 * x + c] = std::array<std::uint8_t, 3>{0, 128, 255}[(x / 7) % 3];
    }
    const Bitmap input = std::move(*builder).build();
    const std::pair<QPointF, double> cases[] = {
        {{101.5, 20.5}, 15}, {{0, 0}, 40}, {{-60, 30}, 7}, {{250, -45}, 300}, {{1e9, 3}, 25}, {{101.5, 20.5}, 0.7},
    };
    for (const auto& [center, amount] : cases) {
        SCOPED_TRACE(amount);
        EXPECT_TRUE(test::samePixels(zoomBlurFilter(input, center, amount), zoomBlurReference(input, center, amount)));
    }
    for (const Bitmap& small : {test::randomBitmap(3, 5, 4), test::randomBitmap(1, 9, 5), test::opaqueRandomBitmap(6, 2, 6)})
        EXPECT_TRUE(test::samePixels(zoomBlurFilter(small, QPointF(1, 1), 4), zoomBlurReference(small, QPointF(1, 1), 4)));
}

TEST(FiltersBlur, BokehBlurSpreadsAPointIntoAnEvenDisc)
{
    const Bitmap disc = bokehBlurFilter(spot(41, 41, 20, 20), 8);
    const int inside = pixelAt(disc, 20, 20)[0];
    EXPECT_GT(inside, 0);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{27, 20}, {20, 13}, {25, 25}, {15, 16}})
        EXPECT_EQ(pixelAt(disc, x, y)[0], inside);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{29, 20}, {27, 27}, {14, 14}})
        EXPECT_EQ(pixelAt(disc, x, y)[0], 0);
}

TEST(FiltersBlur, BokehBlurIsTheMeanOverItsDiscWithEdgesRepeated)
{
    // Wider than the strips the sums are taken in, and taller than one band of rows.
    const Bitmap input = test::randomBitmap(600, 150, 11);
    const double radius = 6.6;
    const int reach = 6;
    std::vector<int> halfWidths;
    int area = 0;
    for (int dy = -reach; dy <= reach; ++dy) {
        halfWidths.push_back(std::min(int(std::lround(std::sqrt(radius * radius - dy * dy))), reach));
        area += 2 * halfWidths.back() + 1;
    }
    const Bitmap blurred = bokehBlurFilter(input, radius);
    for (const int y : {0, 3, 63, 64, 65, 149})
        for (const int x : {0, 5, 255, 256, 257, 511, 512, 599}) {
            Rgba expected{};
            for (int c = 0; c < 4; ++c) {
                std::uint32_t sum = 0;
                for (int dy = -reach; dy <= reach; ++dy)
                    for (int dx = -halfWidths[dy + reach]; dx <= halfWidths[dy + reach]; ++dx)
                        sum += pixelAt(input, std::clamp(x + dx, 0, 599), std::clamp(y + dy, 0, 149))[c];
                expected[c] = std::uint8_t(std::lrint(float(sum) * (1.0f / float(area))));
            }
            for (int c = 0; c < 3; ++c)
                expected[c] = std::min(expected[c], expected[3]);
            EXPECT_EQ(pixelAt(blurred, x, y), expected) << x << ", " << y;
        }
}

TEST(FiltersBlur, NoiseReductionDependsOnlyOnTheNeighbourhood)
{
    // A window cut out of a wide image gives the same pixels away from its cut edges: the blocks of
    // columns and bands of rows the filter works in leave no seams.
    const Bitmap wide = test::randomBitmap(300, 40, 13);
    const Bitmap filtered = noiseReductionFilter(wide, 0.05, 0.8);
    for (const int left : {0, 40, 63, 127, 200}) {
        constexpr int span = 90;
        auto window = BitmapBuilder::create(span, 40);
        for (int y = 0; y < 40; ++y)
            std::memcpy(window->row(y), wide.row(y) + 4 * left, 4 * span);
        const Bitmap windowFiltered = noiseReductionFilter(std::move(*window).build(), 0.05, 0.8);
        for (int y = 0; y < 40; ++y)
            for (int x = 1; x < span - 1; ++x)
                ASSERT_EQ(pixelAt(windowFiltered, x, y), pixelAt(filtered, left + x, y)) << left + x << ", " << y;
    }
}

TEST(FiltersBlur, SharpenLuminanceMovesAllColourChannelsTogether)
{
    const Bitmap input = opaqueBitmap(30, 30, [](int x, int y) {
        const auto v = std::uint8_t(((x / 3 + y / 5) % 2) ? 170 : 90);
        return Rgba{v, std::uint8_t(v - 40), std::uint8_t(v + 30), 255};
    });
    const Bitmap sharp = sharpenLuminanceFilter(input, 2);
    int changed = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const Rgba before = pixelAt(input, x, y), after = pixelAt(sharp, x, y);
            const int shift = int(after[0]) - int(before[0]);
            if (after[0] == 0 || after[1] == 0 || after[2] == 255)
                continue;  // clipped
            EXPECT_NEAR(int(after[1]) - int(before[1]), shift, 1);
            EXPECT_NEAR(int(after[2]) - int(before[2]), shift, 1);
            EXPECT_EQ(after[3], 255);
            changed += shift != 0;
        }
    EXPECT_GT(changed, 50);
}

TEST(FiltersBlur, UnsharpMaskOvershootsOnBothSidesOfAnEdge)
{
    const Bitmap input = step(40, 10);
    const Bitmap sharp = unsharpMaskFilter(input, 2.5, 1);
    EXPECT_LT(pixelAt(sharp, 19, 5)[0], 60);
    EXPECT_GT(pixelAt(sharp, 20, 5)[0], 190);
    EXPECT_NEAR(pixelAt(sharp, 2, 5)[0], 60, 1);
    EXPECT_NEAR(pixelAt(sharp, 38, 5)[0], 190, 1);
    EXPECT_EQ(pixelAt(sharp, 19, 5)[3], 255);
}

TEST(FiltersBlur, MedianMatchesASortedNeighbourhoodPerChannel)
{
    const Bitmap input = test::randomBitmap(23, 17, 11);
    const Bitmap median = medianFilter(input);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x)
            for (int c = 0; c < 4; ++c) {
                std::vector<int> values;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        values.push_back(pixelAt(input, std::clamp(x + dx, 0, 22), std::clamp(y + dy, 0, 16))[c]);
                std::nth_element(values.begin(), values.begin() + 4, values.end());
                ASSERT_EQ(pixelAt(median, x, y)[c], values[4]) << x << "," << y << " channel " << c;
            }
    // A lone speck disappears.
    EXPECT_EQ(pixelAt(medianFilter(spot(9, 9, 4, 4)), 4, 4), (Rgba{0, 0, 0, 255}));
}

TEST(FiltersBlur, NoiseReductionSmoothsNoiseButKeepsEdges)
{
    // A step edge with faint noise on both sides.
    const Bitmap noise = test::randomBitmap(40, 20, 3);
    const Bitmap input = opaqueBitmap(40, 20, [&](int x, int y) {
        const auto v = std::uint8_t((x < 20 ? 60 : 190) + pixelAt(noise, x, y)[3] % 5);
        return Rgba{v, v, v, 255};
    });
    const Bitmap cleaned = noiseReductionFilter(input, 0.03, 0.4);
    const auto roughness = [](const Bitmap& b, int fromX, int toX) {
        int sum = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = fromX; x < toX; ++x)
                sum += std::abs(int(pixelAt(b, x + 1, y)[0]) - int(pixelAt(b, x, y)[0]));
        return sum;
    };
    EXPECT_LT(roughness(cleaned, 2, 17), roughness(input, 2, 17) * 2 / 3);
    EXPECT_LT(roughness(cleaned, 22, 38), roughness(input, 22, 38) * 2 / 3);
    // The edge keeps at least its contrast.
    EXPECT_LE(pixelAt(cleaned, 19, 10)[0], pixelAt(input, 19, 10)[0]);
    EXPECT_GE(pixelAt(cleaned, 20, 10)[0], pixelAt(input, 20, 10)[0]);
}

TEST(FiltersBlur, ConvolutionWeighsNeighboursRowByRowAndAddsTheBias)
{
    const Bitmap input = opaqueBitmap(5, 4, [](int x, int y) {
        return Rgba{std::uint8_t(10 * x), std::uint8_t(50 * y), 7, 255};
    });
    // Weight on the left neighbour only: the picture moves one pixel right.
    const Bitmap shifted = convolution3x3Filter(input, {0, 0, 0, 1, 0, 0, 0, 0, 0}, 0);
    EXPECT_EQ(pixelAt(shifted, 3, 2), pixelAt(input, 2, 2));
    EXPECT_EQ(pixelAt(shifted, 0, 2), pixelAt(input, 0, 2));
    // Weight on the neighbour above: the picture moves down.
    const Bitmap lowered = convolution3x3Filter(input, {0, 1, 0, 0, 0, 0, 0, 0, 0}, 0);
    EXPECT_EQ(pixelAt(lowered, 2, 3), pixelAt(input, 2, 2));

    // Emboss: flat grey turns mid grey plus the bias, an opaque image stays opaque.
    const Bitmap grey = convolution3x3Filter(test::solidBitmap(4, 4, {100, 100, 100, 255}), kEmboss, 0.5);
    EXPECT_EQ(pixelAt(grey, 1, 1), (Rgba{228, 228, 228, 255}));
    const Bitmap embossed = convolution3x3Filter(test::opaqueRandomBitmap(20, 20, 4), kEmboss, 0.5);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(pixelAt(embossed, x, y)[3], 255);
    // The bias lands on alpha too: transparent pixels become half-transparent grey.
    EXPECT_EQ(pixelAt(convolution3x3Filter(test::solidBitmap(3, 3, {0, 0, 0, 0}), kEmboss, 0.5), 1, 1),
              (Rgba{128, 128, 128, 128}));
}

TEST(FiltersBlur, BloomOnlyBrightensGloomOnlyDarkensAndBothKeepAlpha)
{
    const Bitmap input = test::randomBitmap(30, 20, 9);
    const Bitmap bloom = bloomFilter(input, 4, 1);
    const Bitmap gloom = gloomFilter(input, 4, 1);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const Rgba before = pixelAt(input, x, y);
            ASSERT_EQ(pixelAt(bloom, x, y)[3], before[3]);
            ASSERT_EQ(pixelAt(gloom, x, y)[3], before[3]);
            for (int c = 0; c < 3; ++c) {
                EXPECT_GE(pixelAt(bloom, x, y)[c] + 1, before[c]);
                EXPECT_LE(pixelAt(gloom, x, y)[c], before[c] + 1);
            }
        }
    // White cannot get brighter nor black darker.
    const Bitmap white = test::solidBitmap(5, 5, {255, 255, 255, 255});
    EXPECT_TRUE(test::samePixels(bloomFilter(white, 3, 1), white));
    const Bitmap black = test::solidBitmap(5, 5, {0, 0, 0, 255});
    EXPECT_TRUE(test::samePixels(gloomFilter(black, 3, 1), black));
}

TEST(FiltersBlur, EdgesAreLightOnOpaqueBlack)
{
    const Bitmap edges = edgesFilter(step(20, 6), 1);
    EXPECT_EQ(pixelAt(edges, 3, 3), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(edges, 16, 3), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(edges, 10, 3), (Rgba{255, 255, 255, 255}));
    // Weaker at low intensity; a transparent image becomes plain black.
    EXPECT_LT(pixelAt(edgesFilter(step(20, 6), 0.1), 10, 3)[0], 255);
    EXPECT_EQ(pixelAt(edgesFilter(test::solidBitmap(3, 3, {0, 0, 0, 0}), 1), 1, 1), (Rgba{0, 0, 0, 255}));
}

TEST(FiltersBlur, ExtremeParametersStayBoundedAndValid)
{
    const Bitmap input = test::randomBitmap(12, 9, 6);
    const double huge = 1e12;
    const double nan = std::nan("");
    for (const Bitmap& result :
         {gaussianBlurFilter(input, huge), motionBlurFilter(input, huge, huge),
          zoomBlurFilter(input, QPointF(-huge, 3), huge), bokehBlurFilter(input, huge),
          sharpenLuminanceFilter(input, huge, huge), unsharpMaskFilter(input, huge, -huge),
          noiseReductionFilter(input, huge, -huge),
          convolution3x3Filter(input, {huge, 0, 0, 0, nan, 0, 0, 0, -huge}, nan), bloomFilter(input, huge, huge),
          gloomFilter(input, nan, nan), edgesFilter(input, huge), motionBlurFilter(input, nan, 0),
          zoomBlurFilter(input, QPointF(nan, 0), 5)}) {
        EXPECT_EQ(result.size(), input.size());
        EXPECT_TRUE(test::validPremultiplied(result));
    }
}

}  // namespace velmaris
