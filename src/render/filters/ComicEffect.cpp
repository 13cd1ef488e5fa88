#include "render/filters/ComicEffect.h"

#include "render/GaussianBlur.h"
#include "render/Parallel.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterOutput.h"
#include "render/filters/HalftoneScreen.h"
#include "render/filters/PixelSampler.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace velmaris {

namespace {

constexpr double kSmoothing = 1.5;        // blur sigma: keeps grain from drawing outlines
constexpr float kSaturation = 1.3f;       // colour boost before posterising
constexpr float kLevels = 4.0f;           // steps between black and full colour
constexpr float kDotPeriod = 6.0f;        // pixels between halftone dots
constexpr float kOutlineLow = 0.06f;      // edge strength (fraction of full range) where outlines start …
constexpr float kOutlineHigh = 0.16f;     // … and where they are fully black

// Premultiplied luma of every pixel, 0–1: edges of the alpha outline too. Rows are packed with one
// repeated edge value on either side, `width + 2` apart, so the gradient reads neighbours directly.
std::vector<float> paddedLumaPlane(const Bitmap& image)
{
    const int width = image.width();
    const std::size_t paddedWidth = std::size_t(width) + 2;
    std::vector<float> plane(paddedWidth * image.height());
    parallelRows(image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = image.row(y);
            float* out = plane.data() + std::size_t(y) * paddedWidth + 1;
            for (int x = 0; x < width; ++x)
                out[x] = (0.2126f * in[4 * x] + 0.7152f * in[4 * x + 1] + 0.0722f * in[4 * x + 2]) / 255.0f;
            out[-1] = out[0];
            out[width] = out[width - 1];
        }
    });
    return plane;
}

// Sobel gradient magnitude at x of padded rows, scaled so a black-to-white step gives 1.
inline float edgeStrength(const float* above, const float* row, const float* below, int x)
{
    const int left = x - 1, right = x + 1;
    const float gx = (above[right] + 2.0f * row[right] + below[right]) - (above[left] + 2.0f * row[left] + below[left]);
    const float gy = (below[left] + 2.0f * below[x] + below[right]) - (above[left] + 2.0f * above[x] + above[right]);
    return std::sqrt(gx * gx + gy * gy) * 0.25f;
}

}  // namespace

Bitmap comicEffectFilter(const Bitmap& input)
{
    auto smoothed = BitmapBuilder::copyOf(input);
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!smoothed || !output)
        return input;
    gaussianBlur(*smoothed, kSmoothing, BlurEdge::clamp);
    const Bitmap smooth = std::move(*smoothed).build();
    const std::vector<float> luma = paddedLumaPlane(smooth);
    const ScreenFrame dots(QPointF(0, 0), std::numbers::pi / 4, kDotPeriod);
    const float softness = screenSoftness(1.0, kDotPeriod);

    const int width = input.width(), height = input.height();
    const std::size_t paddedWidth = std::size_t(width) + 2;
    parallelRows(height, [&](int first, int end) {
        // Colour planes of one row, written as premultiplied bytes at the end.
        std::vector<float> planes(4 * std::size_t(width));
        float* redOut = planes.data();
        float* greenOut = redOut + width;
        float* blueOut = greenOut + width;
        float* outlines = blueOut + width;
        // Local copies: the plane stores could alias the captured floats, which would stop the
        // vectoriser.
        const ScreenFrame screen = dots;
        const float edgeSoftness = softness;
        for (int y = first; y < end; ++y) {
            const float* row = luma.data() + std::size_t(y) * paddedWidth + 1;
            const float* above = luma.data() + std::size_t(std::max(y - 1, 0)) * paddedWidth + 1;
            const float* below = luma.data() + std::size_t(std::min(y + 1, height - 1)) * paddedWidth + 1;
            const std::uint8_t* colour = smooth.row(y);
            const std::uint8_t* in = input.row(y);
            const float py = float(y) + 0.5f;
            forEachIndex(width, [&](int x) {
                const float edge = edgeStrength(above, row, below, x);
                outlines[x] = bounded((edge - kOutlineLow) / (kOutlineHigh - kOutlineLow), 0.0f, 1.0f);
            });
            // Forced inline: the body is beyond the inliner's limit at -O2, and only inlined does the
            // loop vectorise.
            forEachIndex(width, [&](int x) __attribute__((always_inline)) {
                const float smoothAlpha = colour[4 * x + 3];
                const float unpremultiply = smoothAlpha > 0.0f ? 1.0f / smoothAlpha : 0.0f;
                const float red = std::min(colour[4 * x] * unpremultiply, 1.0f);
                const float green = std::min(colour[4 * x + 1] * unpremultiply, 1.0f);
                const float blue = std::min(colour[4 * x + 2] * unpremultiply, 1.0f);
                const float grey = 0.2126f * red + 0.7152f * green + 0.0722f * blue;
                const float pattern = dotPattern(screen.u(float(x) + 0.5f, py), screen.v(float(x) + 0.5f, py));
                const auto shade = [&](float component) __attribute__((always_inline)) {
                    const float vivid = bounded(grey + kSaturation * (component - grey), 0.0f, 1.0f) * kLevels;
                    const float step = std::floor(std::min(vivid, kLevels - 0.5f));
                    // Between two levels, dots of the upper one cover the share the tone reaches into it.
                    const float level = step + screened(vivid - step, pattern, edgeSoftness);
                    return level / kLevels;
                };
                redOut[x] = shade(red);
                greenOut[x] = shade(green);
                blueOut[x] = shade(blue);
            });
            forEachIndex(width, [=](int x) {
                const float alpha = in[4 * x + 3];
                redOut[x] = redOut[x] * (1.0f - outlines[x]) * alpha + 0.5f;
                greenOut[x] = greenOut[x] * (1.0f - outlines[x]) * alpha + 0.5f;
                blueOut[x] = blueOut[x] * (1.0f - outlines[x]) * alpha + 0.5f;
            });
            storeRoundedRow(redOut, greenOut, blueOut, in, output->row(y), width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
