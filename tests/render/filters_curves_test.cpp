#include "render/filters/LinearLightMatrix.h"
#include "render/filters/LuminanceCurves.h"
#include "render/filters/ToneCurve.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace velmaris {
namespace {

// Even rows opaque (whole groups of eight for the wide paths), odd rows of alpha 0, 1, 128, 255 or
// anything, with components anywhere from 0 to alpha and often at the ends. An odd width leaves a
// tail for the scalar code.
Bitmap edgeAlphaBitmap(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int pick = int(random() % 5);
            const int alpha = y % 2 == 0 ? 255 : pick == 0 ? 0 : pick == 1 ? 1 : pick == 2 ? 128 : pick == 3 ? 255 : int(random() % 256);
            std::uint8_t* p = builder->row(y) + 4 * x;
            for (int c = 0; c < 3; ++c) {
                const int end = int(random() % 6);
                p[c] = std::uint8_t(end == 0 ? 0 : end == 1 ? alpha : int(random() % (alpha + 1)));
            }
            p[3] = std::uint8_t(alpha);
        }
    return std::move(*builder).build();
}

// The largest component difference; fails on a colour above its alpha.
int largestDifference(const Bitmap& actual, const Bitmap& reference)
{
    EXPECT_TRUE(test::validPremultiplied(actual));
    return test::bitmapDistance(actual, reference);
}

// Curves of the kinds the colour filters read: a steep palette segment, an S-curve, sRGB both ways.
std::vector<ToneCurve> sampleCurves()
{
    std::vector<ToneCurve> curves;
    curves.push_back(ToneCurve::sampled([](double v) { return std::clamp(0.1 + 4.2 * (v - 0.3), 0.0, 1.0); }));
    curves.push_back(ToneCurve::sampled([](double v) { return 0.05 + 0.9 * v * v * (3 - 2 * v); }));
    curves.push_back(ToneCurve::sampled(srgbEncode));
    curves.push_back(ToneCurve::sampled(srgbDecode));
    return curves;
}

TEST(ColorCurves, NearestSamplesStayWithinOneLevelOfTheInterpolatedCurves)
{
    const Bitmap image = edgeAlphaBitmap(203, 40, 7);
    const std::vector<ToneCurve> curves = sampleCurves();
    int worst = 0;
    for (std::size_t i = 0; i < curves.size(); ++i) {
        SCOPED_TRACE(i);
        const ChannelCurves channels{&curves[i], &curves[(i + 1) % curves.size()], &curves[(i + 2) % curves.size()]};
        // A body that leaves 0–1 on both sides, so clamping and NaN are read as the float path reads them.
        const auto body = [](ColorRow& row) {
            forEachIndex(row.width, [&](int x) {
                row.r[x] = 1.3f * row.r[x] - 0.1f;
                row.b[x] = row.g[x] * row.b[x];
            });
            if (row.width > 3)
                row.g[3] = std::nanf("");
        };
        const Bitmap fast = mapColorRowsThroughCurves(image, channels, body);
        const Bitmap reference = mapColorRows(image, [&](ColorRow& row) {
            body(row);
            channels[0]->apply(row.r, row.width);
            channels[1]->apply(row.g, row.width);
            channels[2]->apply(row.b, row.width);
        });
        worst = std::max(worst, largestDifference(fast, reference));
    }
    EXPECT_LE(worst, 1);
    RecordProperty("largestDifference", worst);
}

TEST(ColorCurves, LuminanceMapsGiveTheBytesOfTheGeneralPath)
{
    const std::vector<ToneCurve> curves = sampleCurves();
    const ChannelCurves channels{&curves[0], &curves[1], &curves[2]};
    for (const Bitmap& image : {edgeAlphaBitmap(203, 40, 8), test::opaqueRandomBitmap(64, 9, 9), test::randomBitmap(37, 5, 10)}) {
        const Bitmap general = mapColorRowsThroughCurves(image, channels, [](ColorRow& row) {
            forEachIndex(row.width, [&](int x) { row.r[x] = row.g[x] = row.b[x] = luminance(row.r[x], row.g[x], row.b[x]); });
        });
        EXPECT_TRUE(test::samePixels(mapLuminanceThroughCurves(image, channels), general));
    }
}

TEST(ColorCurves, LinearLightMatrixStaysWithinOneLevelOfTheFloatPath)
{
    const Bitmap image = edgeAlphaBitmap(203, 40, 11);
    const ColorMatrix3 matrices[] = {
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        // A warming adaptation, and one that throws colours out of range on both sides.
        {{{1.18f, -0.05f, 0.02f}, {0.01f, 0.98f, 0.01f}, {0.0f, 0.03f, 0.72f}}},
        {{{1.9f, -0.6f, -0.2f}, {-0.4f, 1.7f, -0.1f}, {0.3f, -0.9f, 1.5f}}},
    };
    int worst = 0;
    for (const ColorMatrix3& m : matrices) {
        const Bitmap reference = mapColorRows(image, [&](ColorRow& row) {
            for (float* plane : {row.r, row.g, row.b})
                srgbToLinear().apply(plane, row.width);
            forEachIndex(row.width, [&](int x) {
                const float lr = row.r[x], lg = row.g[x], lb = row.b[x];
                row.r[x] = m[0][0] * lr + m[0][1] * lg + m[0][2] * lb;
                row.g[x] = m[1][0] * lr + m[1][1] * lg + m[1][2] * lb;
                row.b[x] = m[2][0] * lr + m[2][1] * lg + m[2][2] * lb;
            });
            for (float* plane : {row.r, row.g, row.b})
                linearToSrgb().apply(plane, row.width);
        });
        worst = std::max(worst, largestDifference(linearLightMatrixFilter(image, m), reference));
    }
    EXPECT_LE(worst, 1);
    RecordProperty("largestDifference", worst);

    // An opaque pixel gives the same bytes in a group of eight as on its own in the scalar tail.
    const Bitmap opaque = test::opaqueRandomBitmap(16, 4, 12);
    const Bitmap grouped = linearLightMatrixFilter(opaque, matrices[2]);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; x += 5) {
            auto single = BitmapBuilder::create(1, 1);
            std::memcpy(single->row(0), opaque.row(y) + 4 * x, 4);
            EXPECT_EQ(test::pixelAt(linearLightMatrixFilter(std::move(*single).build(), matrices[2]), 0, 0),
                      test::pixelAt(grouped, x, y));
        }
}

}  // namespace
}  // namespace velmaris
