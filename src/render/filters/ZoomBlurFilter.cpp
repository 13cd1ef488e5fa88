#include "render/filters/ZoomBlurFilter.h"

#include "render/Parallel.h"
#include "render/filters/FilterRows.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

// More samples than this are spread further apart than a pixel, which the blur hides.
constexpr int kMaxSamples = 96;

// acc += the image at (x, y) (pixel-index coordinates, inside the image), bilinearly interpolated.
void addBilinear(const Bitmap& image, float x, float y, float* acc)
{
    const int left = int(x), top = int(y);
    const int right = std::min(left + 1, image.width() - 1), bottom = std::min(top + 1, image.height() - 1);
    const float fx = x - float(left), fy = y - float(top);
    const std::uint8_t* upper = image.row(top);
    const std::uint8_t* lower = image.row(bottom);
    const float w00 = (1 - fx) * (1 - fy), w10 = fx * (1 - fy), w01 = (1 - fx) * fy, w11 = fx * fy;
    for (int c = 0; c < 4; ++c)
        acc[c] += w00 * upper[4 * left + c] + w10 * upper[4 * right + c] + w01 * lower[4 * left + c]
            + w11 * lower[4 * right + c];
}

}  // namespace

Bitmap zoomBlurFilter(const Bitmap& input, QPointF center, double amount)
{
    const int width = input.width(), height = input.height();
    if (input.isNull() || !std::isfinite(center.x()) || !std::isfinite(center.y()))
        return input;
    // Pixel (x, y) has its centre at (x + 0.5, y + 0.5). A centre this far out is as good as infinitely
    // far, and keeps the float maths finite.
    constexpr double kFarOut = 1e6;
    const double centerX = std::clamp(center.x(), -kFarOut, kFarOut) - 0.5;
    const double centerY = std::clamp(center.y(), -kFarOut, kFarOut) - 0.5;
    double farthest = 0;
    for (const double cornerX : {0.0, width - 1.0})
        for (const double cornerY : {0.0, height - 1.0})
            farthest = std::max(farthest, std::hypot(cornerX - centerX, cornerY - centerY));
    // The fraction of its distance to the centre over which a pixel is smeared; at most all of it.
    const double reach = std::min(amount / std::max(farthest, 1e-9), 1.0);
    if (!(reach > 0) || !(amount >= 0.01))
        return input;
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;

    const float maxX = float(width - 1), maxY = float(height - 1);
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> acc(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            for (int x = 0; x < width; ++x) {
                const float towardsX = float((centerX - x) * reach), towardsY = float((centerY - y) * reach);
                const float length = std::hypot(towardsX, towardsY);
                const int samples = int(std::min(std::ceil(length), float(kMaxSamples - 1))) + 1;
                const float step = samples > 1 ? 1.0f / float(samples - 1) : 0.0f;
                float* pixel = acc.data() + 4 * x;
                std::fill(pixel, pixel + 4, 0.0f);
                for (int i = 0; i < samples; ++i) {
                    const float t = float(i) * step;
                    addBilinear(input, std::clamp(float(x) + towardsX * t, 0.0f, maxX),
                                std::clamp(float(y) + towardsY * t, 0.0f, maxY), pixel);
                }
                for (int c = 0; c < 4; ++c)
                    pixel[c] /= float(samples);
            }
            storePremultipliedRow(acc.data(), width, output->row(y));
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
