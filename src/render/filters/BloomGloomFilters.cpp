#include "render/filters/BloomGloomFilters.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/filters/GaussianBlurFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

// Bloom screens the weighted glow over the image: image + glow − image × glow (colours 0–1).
struct Screen {
    float operator()(float image, float glow) const { return image + glow - image * glow; }
};

// Gloom is its dual, gloom(c) = 1 − bloom(1 − c): the image times 1 − intensity × (1 − blurred),
// where `shade` is that weighted 1 − blurred.
struct Multiply {
    float operator()(float image, float shade) const { return image * (1.0f - shade); }
};

// Blends intensity × the blurred colour (or × 1 − the blurred colour when `inverted`) into each
// pixel's un-premultiplied colour with `blend`.
template <typename Blend>
Bitmap glowFilter(const Bitmap& input, double radius, double intensity, bool inverted, Blend blend)
{
    const int width = input.width(), height = input.height();
    if (input.isNull() || !(intensity > 0) || !std::isfinite(intensity))
        return input;
    const Bitmap blurred = gaussianBlurFilter(input, radius);
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    const float amount = float(std::min(intensity, 1.0));
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* source = input.row(y);
            const std::uint8_t* soft = blurred.row(y);
            for (int x = 0; x < width; ++x) {
                const float alpha = source[4 * x + 3];
                const float imageScale = alpha > 0 ? 1.0f / alpha : 0.0f;
                const float softAlpha = soft[4 * x + 3];
                const float softScale = softAlpha > 0 ? 1.0f / softAlpha : 0.0f;
                for (int c = 0; c < 3; ++c) {
                    const float image = std::min(source[4 * x + c] * imageScale, 1.0f);
                    const float glow = std::min(soft[4 * x + c] * softScale, 1.0f);
                    values[4 * x + c] = alpha * blend(image, amount * (inverted ? 1.0f - glow : glow));
                }
                values[4 * x + 3] = alpha;
            }
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace

Bitmap bloomFilter(const Bitmap& input, double radius, double intensity)
{
    return glowFilter(input, radius, intensity, false, Screen{});
}

Bitmap gloomFilter(const Bitmap& input, double radius, double intensity)
{
    return glowFilter(input, radius, intensity, true, Multiply{});
}

}  // namespace velmaris
