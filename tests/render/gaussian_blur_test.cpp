#include "render/GaussianBlur.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace velmaris {
namespace {

BitmapBuilder builderOf(const Bitmap& bitmap)
{
    return *BitmapBuilder::copyOf(bitmap);
}

// A straightforward float convolution with the sampled Gaussian (radius 5σ), edge pixels repeated.
std::vector<double> referenceBlur(const Bitmap& image, double sigma)
{
    const int w = image.width(), h = image.height(), radius = int(std::ceil(5 * sigma));
    std::vector<double> kernel;
    double total = 0;
    for (int k = -radius; k <= radius; ++k) {
        kernel.push_back(std::exp(-k * k / (2 * sigma * sigma)));
        total += kernel.back();
    }
    for (double& weight : kernel)
        weight /= total;
    std::vector<double> rows(std::size_t(w) * h * 4), result(rows.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                for (int k = -radius; k <= radius; ++k)
                    rows[(std::size_t(y) * w + x) * 4 + c] += kernel[k + radius] * image.row(y)[std::clamp(x + k, 0, w - 1) * 4 + c];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                for (int k = -radius; k <= radius; ++k)
                    result[(std::size_t(y) * w + x) * 4 + c] += kernel[k + radius] * rows[(std::size_t(std::clamp(y + k, 0, h - 1)) * w + x) * 4 + c];
    return result;
}

// Opaque noise with a hard-edged white rectangle: steps are where an approximate Gaussian shows.
Bitmap stepImage(int width, int height)
{
    const Bitmap noise = test::randomBitmap(width, height, 7);
    auto builder = builderOf(noise);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= width / 4 && x < width * 3 / 4 && y >= height / 3 && y < height * 2 / 3;
            for (int c = 0; c < 3; ++c)
                builder.row(y)[4 * x + c] = inside ? 255 : builder.row(y)[4 * x + c] / 4;
            builder.row(y)[4 * x + 3] = 255;
        }
    return std::move(builder).build();
}

double maxDifferenceFromReference(const Bitmap& image, double sigma)
{
    auto blurred = builderOf(image);
    gaussianBlur(blurred, sigma, BlurEdge::clamp);
    const std::vector<double> expected = referenceBlur(image, sigma);
    double worst = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() * 4; ++x)
            worst = std::max(worst, std::abs(blurred.row(y)[x] - expected[std::size_t(y) * image.width() * 4 + x]));
    return worst;
}

// A 21-pixel-wide bright bar across a plane, blurred horizontally: returns σ measured from the
// profile's variance (minus the bar's own), its mass, and its worst left–right asymmetry.
struct Spread {
    double sigma;
    double mass;
    int asymmetry;
};

Spread measuredSpread(double sigma)
{
    const int width = 2 * int(6 * sigma) + 41, centre = width / 2, barHalf = 10;
    AlphaPlane plane(width, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = centre - barHalf; x <= centre + barHalf; ++x)
            plane.row(y)[x] = 255;
    gaussianBlur(plane, sigma, BlurEdge::clamp);
    double mass = 0, moment = 0;
    int asymmetry = 0;
    for (int x = 0; x < width; ++x) {
        mass += plane.row(1)[x];
        moment += plane.row(1)[x] * double(x - centre) * (x - centre);
        asymmetry = std::max(asymmetry, std::abs(plane.row(1)[x] - plane.row(1)[width - 1 - x]));
    }
    const double barVariance = ((2 * barHalf + 1) * (2 * barHalf + 1) - 1) / 12.0;
    return {std::sqrt(moment / mass - barVariance), mass, asymmetry};
}

TEST(GaussianBlur, ZeroOrInvalidSigmaLeavesTheImageUnchanged)
{
    const Bitmap original = test::randomBitmap(37, 23, 1);
    for (double sigma : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN()}) {
        auto image = builderOf(original);
        gaussianBlur(image, sigma, BlurEdge::transparent);
        const Bitmap result = std::move(image).build();
        for (int y = 0; y < original.height(); ++y)
            for (int x = 0; x < original.width(); ++x)
                ASSERT_EQ(test::pixelAt(result, x, y), test::pixelAt(original, x, y)) << sigma;
    }
}

TEST(GaussianBlur, ConstantImageStaysConstantWithClampedEdges)
{
    const test::Rgba colour{40, 80, 120, 200};
    for (double sigma : {0.7, 2.5, 4.0, 10.0, 40.0, 1e9}) {
        auto image = builderOf(test::solidBitmap(53, 31, colour));
        gaussianBlur(image, sigma, BlurEdge::clamp);
        const Bitmap result = std::move(image).build();
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                ASSERT_EQ(test::pixelAt(result, x, y), colour) << sigma << " at " << x << "," << y;
    }
}

TEST(GaussianBlur, TransparentEdgesFadeTheBorderOnly)
{
    auto image = builderOf(test::solidBitmap(200, 200, {255, 255, 255, 255}));
    gaussianBlur(image, 5.0, BlurEdge::transparent);
    const Bitmap result = std::move(image).build();
    EXPECT_EQ(test::pixelAt(result, 100, 100), (test::Rgba{255, 255, 255, 255}));
    // Half of the kernel lies outside along an edge, three quarters at a corner.
    EXPECT_NEAR(test::pixelAt(result, 100, 0)[3], 255 * 0.5 * 1.08, 8);
    EXPECT_NEAR(test::pixelAt(result, 0, 0)[3], 255 * 0.25 * 1.17, 8);
}

TEST(GaussianBlur, SpreadMatchesSigmaSymmetricallyAndKeepsTheMass)
{
    for (double sigma : {1.5, 2.9, 3.0, 6.0, 10.0, 40.0}) {
        const Spread spread = measuredSpread(sigma);
        EXPECT_NEAR(spread.sigma, sigma, 0.05 * sigma) << sigma;
        EXPECT_NEAR(spread.mass, 21 * 255, 21 * 255 * 0.005) << sigma;
        EXPECT_LE(spread.asymmetry, 1) << sigma;
    }
}

TEST(GaussianBlur, PointSpreadIsRoundAndSymmetric)
{
    auto image = builderOf(test::solidBitmap(61, 61, {0, 0, 0, 0}));
    for (int y = 28; y <= 32; ++y)
        for (int x = 28; x <= 32; ++x)
            std::fill(image.row(y) + 4 * x, image.row(y) + 4 * x + 4, 255);
    gaussianBlur(image, 4.0, BlurEdge::transparent);
    const Bitmap result = std::move(image).build();
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 61; ++x) {
            const int value = test::pixelAt(result, x, y)[3];
            ASSERT_NEAR(value, test::pixelAt(result, 60 - x, y)[3], 1);
            ASSERT_NEAR(value, test::pixelAt(result, x, 60 - y)[3], 1);
            ASSERT_NEAR(value, test::pixelAt(result, y, x)[3], 1);
        }
    EXPECT_GT(test::pixelAt(result, 30, 30)[3], test::pixelAt(result, 34, 30)[3]);
    EXPECT_GT(test::pixelAt(result, 34, 30)[3], test::pixelAt(result, 34, 34)[3]);
}

TEST(GaussianBlur, MatchesAFloatConvolutionForSmallAndLargeSigmas)
{
    const Bitmap image = stepImage(160, 120);
    EXPECT_LE(maxDifferenceFromReference(image, 1.2), 1.0);
    EXPECT_LE(maxDifferenceFromReference(image, 2.8), 1.0);
    // Successive boxes approximate the bell; the worst case is a hard step about 2σ wide.
    EXPECT_LE(maxDifferenceFromReference(image, 5.0), 4.0);
    EXPECT_LE(maxDifferenceFromReference(image, 40.0), 4.0);
}

TEST(GaussianBlur, OutputStaysValidPremultiplied)
{
    for (double sigma : {0.8, 7.0}) {
        auto image = builderOf(test::randomBitmap(97, 41, 3));
        gaussianBlur(image, sigma, BlurEdge::transparent);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_LE(image.row(y)[4 * x + c], image.row(y)[4 * x + 3]);
    }
}

TEST(GaussianBlur, AlphaPlaneMatchesTheBitmapsAlphaChannel)
{
    const Bitmap image = test::randomBitmap(75, 44, 5);
    for (double sigma : {1.0, 9.0}) {
        AlphaPlane plane(image.width(), image.height());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                plane.row(y)[x] = image.row(y)[4 * x + 3];
        auto bitmap = builderOf(image);
        gaussianBlur(plane, sigma, BlurEdge::transparent);
        gaussianBlur(bitmap, sigma, BlurEdge::transparent);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(plane.row(y)[x], bitmap.row(y)[4 * x + 3]) << sigma;
    }
}

}  // namespace
}  // namespace velmaris
