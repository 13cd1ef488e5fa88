#include "render/Blend.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace velmaris {

namespace {

using test::Rgba;
using Color = std::array<double, 3>;

// The W3C formulas written out plainly in double, branches and sorting included, as the reference.
double lumOf(Color c) { return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]; }

Color clipColor(Color c)
{
    const double l = lumOf(c), n = *std::min_element(c.begin(), c.end()), x = *std::max_element(c.begin(), c.end());
    if (n < 0)
        for (double& v : c)
            v = l + (v - l) * l / (l - n);
    if (x > 1)
        for (double& v : c)
            v = l + (v - l) * (1 - l) / (x - l);
    return c;
}

Color setLum(Color c, double l)
{
    const double d = l - lumOf(c);
    return clipColor({c[0] + d, c[1] + d, c[2] + d});
}

double satOf(Color c) { return *std::max_element(c.begin(), c.end()) - *std::min_element(c.begin(), c.end()); }

Color setSat(Color c, double s)
{
    std::array<int, 3> order{0, 1, 2};
    std::sort(order.begin(), order.end(), [&](int a, int b) { return c[a] < c[b]; });
    const int low = order[0], mid = order[1], high = order[2];
    Color out{0, 0, 0};
    if (c[high] > c[low]) {
        out[mid] = (c[mid] - c[low]) * s / (c[high] - c[low]);
        out[high] = s;
    }
    return out;
}

double separable(LayerBlendMode mode, double b, double s)
{
    switch (mode) {
    case LayerBlendMode::multiply: return b * s;
    case LayerBlendMode::screen: return b + s - b * s;
    case LayerBlendMode::overlay: return separable(LayerBlendMode::hardLight, s, b);
    case LayerBlendMode::darken: return std::min(b, s);
    case LayerBlendMode::lighten: return std::max(b, s);
    case LayerBlendMode::colorDodge: return b == 0 ? 0 : s >= 1 ? 1 : std::min(1.0, b / (1 - s));
    case LayerBlendMode::colorBurn: return b >= 1 ? 1 : s <= 0 ? 0 : 1 - std::min(1.0, (1 - b) / s);
    case LayerBlendMode::hardLight: return s <= 0.5 ? b * 2 * s : separable(LayerBlendMode::screen, b, 2 * s - 1);
    case LayerBlendMode::softLight: {
        if (s <= 0.5)
            return b - (1 - 2 * s) * b * (1 - b);
        const double d = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
        return b + (2 * s - 1) * (d - b);
    }
    case LayerBlendMode::difference: return std::abs(b - s);
    case LayerBlendMode::exclusion: return b + s - 2 * b * s;
    default: return s;
    }
}

Color referenceMix(LayerBlendMode mode, Color b, Color s)
{
    switch (mode) {
    case LayerBlendMode::hue: return setLum(setSat(s, satOf(b)), lumOf(b));
    case LayerBlendMode::saturation: return setLum(setSat(b, satOf(s)), lumOf(b));
    case LayerBlendMode::color: return setLum(s, lumOf(b));
    case LayerBlendMode::luminosity: return setLum(b, lumOf(s));
    default: return {separable(mode, b[0], s[0]), separable(mode, b[1], s[1]), separable(mode, b[2], s[2])};
    }
}

// Source-over compositing of one premultiplied pixel, in 0–255.
std::array<double, 4> referencePixel(LayerBlendMode mode, Rgba backdrop, Rgba source, double weight)
{
    const double as = source[3] / 255.0 * weight, ab = backdrop[3] / 255.0;
    Color cs{}, cb{};
    for (int c = 0; c < 3; ++c) {
        cs[c] = source[3] ? double(source[c]) / source[3] : 0;
        cb[c] = backdrop[3] ? double(backdrop[c]) / backdrop[3] : 0;
    }
    const Color mixed = referenceMix(mode, cb, cs);
    std::array<double, 4> out{};
    for (int c = 0; c < 3; ++c)
        out[c] = 255 * (as * cs[c] * (1 - ab) + ab * cb[c] * (1 - as) + as * ab * mixed[c]);
    out[3] = 255 * (as + ab - as * ab);
    return out;
}

// Premultiplied pixels whose components are 0, the alpha or half of it: the edge cases of the formulas.
Bitmap extremeBitmap(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    auto builder = BitmapBuilder::create(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int alpha = std::array{0, 1, 128, 255}[random() % 4];
            std::uint8_t* pixel = builder->row(y) + 4 * x;
            for (int c = 0; c < 3; ++c)
                pixel[c] = std::uint8_t(std::array{0, alpha / 2, alpha}[random() % 3]);
            pixel[3] = std::uint8_t(alpha);
        }
    }
    return std::move(*builder).build();
}

AlphaPlane randomCoverage(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    AlphaPlane plane(width, height);
    for (auto& value : plane.values)
        value = std::uint8_t(random() % 256);
    return plane;
}

Bitmap blended(const Bitmap& backdrop, const Bitmap& source, QPoint at, LayerBlendMode mode, double opacity,
               const AlphaPlane* coverage = nullptr)
{
    auto target = BitmapBuilder::copyOf(backdrop);
    blendInto(*target, source, at, mode, opacity, coverage);
    return std::move(*target).build();
}

Bitmap blendedAt(const Bitmap& backdrop, const Bitmap& source, QPointF at, LayerBlendMode mode = LayerBlendMode::normal)
{
    auto target = BitmapBuilder::copyOf(backdrop);
    blendInto(*target, source, at, mode, 1.0);
    return std::move(*target).build();
}

// Counts pixels further than 1/255 from the reference or no longer validly premultiplied.
int countMismatches(const Bitmap& backdrop, const Bitmap& source, LayerBlendMode mode, double opacity,
                    const AlphaPlane* coverage)
{
    const Bitmap result = blended(backdrop, source, QPoint(0, 0), mode, opacity, coverage);
    int mismatches = 0;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const double weight = opacity * (coverage ? coverage->row(y)[x] / 255.0 : 1.0);
            const auto expected = referencePixel(mode, test::pixelAt(backdrop, x, y), test::pixelAt(source, x, y), weight);
            const Rgba actual = test::pixelAt(result, x, y);
            bool bad = actual[0] > actual[3] || actual[1] > actual[3] || actual[2] > actual[3];
            for (int c = 0; c < 4; ++c)
                bad = bad || std::abs(actual[c] - std::round(expected[c])) > 1;
            if (bad && ++mismatches <= 3)
                ADD_FAILURE() << "mode " << int(mode) << " opacity " << opacity << " coverage " << bool(coverage)
                              << " at " << x << "," << y << ": got " << int(actual[0]) << " " << int(actual[1]) << " "
                              << int(actual[2]) << " " << int(actual[3]) << ", expected " << expected[0] << " "
                              << expected[1] << " " << expected[2] << " " << expected[3];
        }
    }
    return mismatches;
}

// `count` premultiplied pixels, a quarter of them transparent and a quarter opaque.
std::vector<std::uint8_t> randomPixels(int count, std::mt19937& random)
{
    std::vector<std::uint8_t> pixels(std::size_t(4) * count);
    for (int x = 0; x < count; ++x) {
        const int pick = int(random() % 4);
        const int alpha = pick == 0 ? 0 : pick == 1 ? 255 : int(random() % 256);
        for (int c = 0; c < 3; ++c)
            pixels[4 * x + c] = std::uint8_t(random() % (alpha + 1));
        pixels[4 * x + 3] = std::uint8_t(alpha);
    }
    return pixels;
}

// The largest component difference, or 256 when a colour exceeds its alpha.
int rowDistance(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    int distance = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        distance = std::max(distance, std::abs(int(a[i]) - int(b[i])));
        if (i % 4 < 3 && a[i] > a[i | 3])
            return 256;
    }
    return distance;
}

}  // namespace

TEST(Blend, IntegerArithmeticStaysWithinOneLevelOfFloat)
{
    // 131 pixels: two whole runs and a partial one.
    constexpr int width = 131, rows = 48;
    std::mt19937 random(21);
    for (int index = 0; index < kBlendModeCount; ++index) {
        const auto mode = LayerBlendMode(index);
        for (const double opacity : {0.0, 1 / 255.0, 0.3, 0.5, 0.999, 1.0}) {
            int worst = 0;
            for (int row = 0; row < rows; ++row) {
                const std::vector<std::uint8_t> source = randomPixels(width, random);
                std::vector<std::uint8_t> integer = randomPixels(width, random), floating = integer;
                blendRow(integer.data(), source.data(), width, mode, opacity, BlendArithmetic::fastest);
                blendRow(floating.data(), source.data(), width, mode, opacity, BlendArithmetic::floatOnly);
                worst = std::max(worst, rowDistance(integer, floating));
            }
            // Source-over at full opacity rounds exactly in both.
            EXPECT_LE(worst, mode == LayerBlendMode::normal && opacity == 1 ? 0 : 1)
                << "mode " << index << " opacity " << opacity;
        }
    }

    // In the modes that never amplify a difference in the backdrop, a stack of translucent layers
    // drifts no further apart than one blend. (Overlay, darken and the like un-premultiply the
    // backdrop, so there a level on a faint pixel can grow, in either arithmetic.)
    for (const auto mode : {LayerBlendMode::normal, LayerBlendMode::multiply, LayerBlendMode::screen}) {
        std::vector<std::uint8_t> integer = randomPixels(width * rows, random), floating = integer;
        for (int layer = 0; layer < 10; ++layer) {
            const std::vector<std::uint8_t> source = randomPixels(width * rows, random);
            const double opacity = 0.3 + 0.07 * layer;
            blendRow(integer.data(), source.data(), width * rows, mode, opacity, BlendArithmetic::fastest);
            blendRow(floating.data(), source.data(), width * rows, mode, opacity, BlendArithmetic::floatOnly);
        }
        EXPECT_LE(rowDistance(integer, floating), 1) << int(mode);
    }
}

TEST(Blend, EveryModeMatchesTheFloatReferenceWithinOneLevel)
{
    // 131 columns: two whole runs of pixels and a partial one.
    constexpr int width = 131, height = 9;
    const std::array<std::pair<Bitmap, Bitmap>, 2> cases{
        std::pair{test::randomBitmap(width, height, 1), test::randomBitmap(width, height, 2)},
        std::pair{extremeBitmap(width, height, 3), extremeBitmap(width, height, 4)}};
    const AlphaPlane coverage = randomCoverage(width, height, 5);
    for (int index = 0; index < kBlendModeCount; ++index) {
        const auto mode = LayerBlendMode(index);
        for (const auto& [backdrop, source] : cases) {
            for (const double opacity : {1.0, 0.6, 0.15}) {
                EXPECT_EQ(countMismatches(backdrop, source, mode, opacity, nullptr), 0);
                EXPECT_EQ(countMismatches(backdrop, source, mode, opacity, &coverage), 0);
            }
        }
    }
}

TEST(Blend, CutsAtTheTargetEdgesForAnyOffset)
{
    const Bitmap backdrop = test::solidBitmap(5, 4, {10, 20, 30, 255});
    // Opaque source pixels that tell their position: red = 40·x + 1, green = 40·y + 1.
    auto sourceBuilder = BitmapBuilder::create(7, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
            std::copy_n(Rgba{std::uint8_t(40 * x + 1), std::uint8_t(40 * y + 1), 0, 255}.data(), 4, sourceBuilder->row(y) + 4 * x);
    const Bitmap source = std::move(*sourceBuilder).build();

    for (const QPoint at : {QPoint(-1, -2), QPoint(3, 2), QPoint(-6, -5), QPoint(4, 3), QPoint(-2, 1)}) {
        const Bitmap result = blended(backdrop, source, at, LayerBlendMode::normal, 1.0);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const int sx = x - at.x(), sy = y - at.y();
                const bool covered = sx >= 0 && sx < 7 && sy >= 0 && sy < 6;
                const Rgba expected = covered ? test::pixelAt(source, sx, sy) : Rgba{10, 20, 30, 255};
                EXPECT_EQ(test::pixelAt(result, x, y), expected) << at.x() << "," << at.y() << " pixel " << x << "," << y;
            }
        }
    }

    const int far = std::numeric_limits<int>::max();
    for (const QPoint at : {QPoint(5, 0), QPoint(-7, 0), QPoint(0, 4), QPoint(0, -6), QPoint(far, far), QPoint(-far, 0)})
        EXPECT_TRUE(test::samePixels(blended(backdrop, source, at, LayerBlendMode::multiply, 1.0), backdrop));
    for (const QPointF at : {QPointF(1e12, 0.5), QPointF(-7.5, 0), QPointF(std::nan(""), 0)})
        EXPECT_TRUE(test::samePixels(blendedAt(backdrop, source, at), backdrop));
}

TEST(Blend, NothingIsDrawnWithoutOpacityOrSourceAlpha)
{
    const Bitmap backdrop = test::randomBitmap(70, 3, 7);
    const Bitmap source = test::randomBitmap(70, 3, 8);
    const Bitmap clear = test::solidBitmap(70, 3, {0, 0, 0, 0});
    const AlphaPlane noCoverage(70, 3, 0), wrongSize(69, 3, 255);
    for (int index = 0; index < kBlendModeCount; ++index) {
        const auto mode = LayerBlendMode(index);
        for (const double opacity : {0.0, -1.0, std::nan("")})
            EXPECT_TRUE(test::samePixels(blended(backdrop, source, QPoint(0, 0), mode, opacity), backdrop)) << index;
        EXPECT_TRUE(test::samePixels(blended(backdrop, clear, QPoint(0, 0), mode, 1.0), backdrop)) << index;
        EXPECT_TRUE(test::samePixels(blended(backdrop, source, QPoint(0, 0), mode, 1.0, &noCoverage), backdrop)) << index;
        EXPECT_TRUE(test::samePixels(blended(backdrop, source, QPoint(0, 0), mode, 1.0, &wrongSize), backdrop)) << index;
    }
}

TEST(Blend, NormalWithAnOpaqueSourceReplacesAndOpacityStopsAtOne)
{
    const Bitmap backdrop = test::randomBitmap(150, 4, 9);
    auto opaque = BitmapBuilder::copyOf(test::randomBitmap(150, 4, 10));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 150; ++x)
            opaque->row(y)[4 * x + 3] = 255;
    const Bitmap source = std::move(*opaque).build();
    EXPECT_TRUE(test::samePixels(blended(backdrop, source, QPoint(0, 0), LayerBlendMode::normal, 1.0), source));
    EXPECT_TRUE(test::samePixels(blended(backdrop, source, QPoint(0, 0), LayerBlendMode::normal, 3.5), source));

    const Bitmap translucent = test::randomBitmap(150, 4, 11);
    EXPECT_TRUE(test::samePixels(blended(backdrop, translucent, QPoint(0, 0), LayerBlendMode::screen, 7.0),
                           blended(backdrop, translucent, QPoint(0, 0), LayerBlendMode::screen, 1.0)));
}

TEST(Blend, FractionalPositionsInterpolateBilinearly)
{
    const Bitmap clear = test::solidBitmap(4, 3, {0, 0, 0, 0});
    const Bitmap dot = test::solidBitmap(1, 1, {200, 100, 0, 255});
    const Rgba half{100, 50, 0, 128}, none{0, 0, 0, 0};

    const Bitmap across = blendedAt(clear, dot, QPointF(1.5, 1));
    EXPECT_EQ(test::pixelAt(across, 0, 1), none);
    EXPECT_EQ(test::pixelAt(across, 1, 1), half);
    EXPECT_EQ(test::pixelAt(across, 2, 1), half);
    EXPECT_EQ(test::pixelAt(across, 3, 1), none);

    const Bitmap down = blendedAt(clear, dot, QPointF(3, -0.5));
    EXPECT_EQ(test::pixelAt(down, 3, 0), half);
    EXPECT_EQ(test::pixelAt(down, 3, 1), none);

    const Bitmap quarter = blendedAt(clear, dot, QPointF(0.5, 0.5));
    for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        EXPECT_EQ(test::pixelAt(quarter, p.x(), p.y()), (Rgba{50, 25, 0, 64}));

    // A whole-pixel position takes the exact integer path.
    const Bitmap source = test::randomBitmap(3, 2, 12);
    EXPECT_TRUE(test::samePixels(blendedAt(clear, source, QPointF(1.0, 1.0), LayerBlendMode::overlay),
                           blended(clear, source, QPoint(1, 1), LayerBlendMode::overlay, 1.0)));
}

}  // namespace velmaris
