#include "render/filters/ComicEffect.h"

#include "render/GaussianBlur.h"
#include "render/Parallel.h"
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

// Premultiplied luma of every pixel, 0–1, rows packed: edges of the alpha outline too.
std::vector<float> lumaPlane(const Bitmap& image)
{
    const int width = image.width();
    std::vector<float> plane(std::size_t(width) * image.height());
    const std::uint8_t* bits = image.bits();
    const qsizetype stride = image.stride();
    parallelRows(image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = bits + y * stride;
            float* out = plane.data() + std::size_t(y) * width;
            for (int x = 0; x < width; ++x)
                out[x] = (0.2126f * in[4 * x] + 0.7152f * in[4 * x + 1] + 0.0722f * in[4 * x + 2]) / 255.0f;
        }
    });
    return plane;
}

// Sobel gradient magnitude at (x, y), edge values repeated, scaled so a black-to-white step gives 1.
float edgeStrength(const float* above, const float* row, const float* below, int x, int width)
{
    const int left = std::max(x - 1, 0), right = std::min(x + 1, width - 1);
    const float gx = (above[right] + 2.0f * row[right] + below[right]) - (above[left] + 2.0f * row[left] + below[left]);
    const float gy = (below[left] + 2.0f * below[x] + below[right]) - (above[left] + 2.0f * above[x] + above[right]);
    return std::sqrt(gx * gx + gy * gy) * 0.25f;
}

}  // namespace

Bitmap comicEffectFilter(const Bitmap& input)
{
    auto smoothed = BitmapBuilder::copyOf(input);
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!smoothed || !output)
        return input;
    gaussianBlur(*smoothed, kSmoothing, BlurEdge::clamp);
    const Bitmap smooth = std::move(*smoothed).build();
    const std::vector<float> luma = lumaPlane(smooth);
    const ScreenFrame dots(QPointF(0, 0), std::numbers::pi / 4, kDotPeriod);
    const float softness = screenSoftness(1.0, kDotPeriod);

    const int width = input.width(), height = input.height();
    const std::uint8_t* smoothBits = smooth.bits();
    const qsizetype smoothStride = smooth.stride();
    const std::uint8_t* inBits = input.bits();
    const qsizetype inStride = input.stride();
    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    parallelRows(height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const float* row = luma.data() + std::size_t(y) * width;
            const float* above = luma.data() + std::size_t(std::max(y - 1, 0)) * width;
            const float* below = luma.data() + std::size_t(std::min(y + 1, height - 1)) * width;
            const std::uint8_t* colour = smoothBits + y * smoothStride;
            const std::uint8_t* in = inBits + y * inStride;
            std::uint8_t* out = bits + y * stride;
            const float py = float(y) + 0.5f;
            for (int x = 0; x < width; ++x) {
                const float alpha = in[4 * x + 3];
                const float smoothAlpha = colour[4 * x + 3];
                const float unpremultiply = smoothAlpha > 0.0f ? 1.0f / smoothAlpha : 0.0f;
                float rgb[3];
                for (int c = 0; c < 3; ++c)
                    rgb[c] = std::min(colour[4 * x + c] * unpremultiply, 1.0f);
                const float grey = 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
                const float pattern = dotPattern(dots.u(float(x) + 0.5f, py), dots.v(float(x) + 0.5f, py));
                const float outline = std::clamp(
                    (edgeStrength(above, row, below, x, width) - kOutlineLow) / (kOutlineHigh - kOutlineLow), 0.0f, 1.0f);
                for (int c = 0; c < 3; ++c) {
                    const float vivid = std::clamp(grey + kSaturation * (rgb[c] - grey), 0.0f, 1.0f) * kLevels;
                    const float step = std::floor(std::min(vivid, kLevels - 0.5f));
                    // Between two levels, dots of the upper one cover the share the tone reaches into it.
                    const float level = step + screened(vivid - step, pattern, softness);
                    out[4 * x + c] = std::uint8_t(level / kLevels * (1.0f - outline) * alpha + 0.5f);
                }
                out[4 * x + 3] = in[4 * x + 3];
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
