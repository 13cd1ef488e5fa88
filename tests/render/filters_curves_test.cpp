#include "render/filters/ColorMapping.h"
#include "render/filters/LinearLightMatrix.h"
#include "render/filters/SaturationCurves.h"
#include "render/filters/ToneCurve.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
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
            constexpr int kEdges[] = {0, 1, 128, 255};
            const int pick = int(random() % 5);
            const int alpha = y % 2 == 0 ? 255 : pick < 4 ? kEdges[pick] : int(random() % 256);
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

TEST(ColorCurves, SaturationCurvesStayWithinOneLevelOfTheFloatPath)
{
    const Bitmap image = edgeAlphaBitmap(203, 40, 7);
    const std::vector<ToneCurve> curves = sampleCurves();
    int worst = 0;
    for (const float saturation : {0.0f, 0.65f, 1.35f}) {
        for (std::size_t i = 0; i < curves.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "saturation " << saturation << " curve " << i);
            const std::size_t n = curves.size();
            const ChannelCurves channels{&curves[i], &curves[(i + 1) % n], &curves[(i + 2) % n]};
            // Un-premultiplied, mixed, through the interpolated curves, premultiplied.
            const Bitmap reference = mapColorRows(image, [&](ColorRow& row) {
                forEachIndex(row.width, [&](int x) {
                    const float l = luminance(row.r[x], row.g[x], row.b[x]);
                    row.r[x] = mix(l, row.r[x], saturation);
                    row.g[x] = mix(l, row.g[x], saturation);
                    row.b[x] = mix(l, row.b[x], saturation);
                });
                channels[0]->apply(row.r, row.width);
                channels[1]->apply(row.g, row.width);
                channels[2]->apply(row.b, row.width);
            });
            const Bitmap fast = mapSaturationThroughCurves(image, saturation, channels);
            worst = std::max(worst, largestDifference(fast, reference));
        }
    }
    EXPECT_LE(worst, 1);
    RecordProperty("largestDifference", worst);
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

}

TEST(ColorCurves, OpaquePixelsGiveTheSameBytesInGroupsOfEightAsAlone)
{
    // Groups of eight opaque pixels take the wide table paths; a single pixel takes the scalar code.
    const std::vector<ToneCurve> curves = sampleCurves();
    const ChannelCurves channels{&curves[0], &curves[1], &curves[2]};
    const ColorMatrix3 matrix{{{1.9f, -0.6f, -0.2f}, {-0.4f, 1.7f, -0.1f}, {0.3f, -0.9f, 1.5f}}};
    const std::function<Bitmap(const Bitmap&)> filters[] = {
        [&](const Bitmap& i) { return mapSaturationThroughCurves(i, 0, channels); },
        [&](const Bitmap& i) { return mapSaturationThroughCurves(i, 1.35f, channels); },
        [&](const Bitmap& i) { return linearLightMatrixFilter(i, matrix); },
    };
    const Bitmap opaque = test::opaqueRandomBitmap(16, 4, 12);
    for (const auto& filter : filters) {
        const Bitmap grouped = filter(opaque);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; x += 3) {
                auto single = BitmapBuilder::create(1, 1);
                std::memcpy(single->row(0), opaque.row(y) + 4 * x, 4);
                EXPECT_EQ(test::pixelAt(filter(std::move(*single).build()), 0, 0), test::pixelAt(grouped, x, y));
            }
    }
}

}  // namespace
}  // namespace velmaris
