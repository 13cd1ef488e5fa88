#include "render/filters/ZoomBlurFilter.h"

#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/PixelSampler.h"

#include <algorithm>
#include <cmath>
#include <vector>


namespace velmaris {

namespace {

// More samples than this are spread further apart than a pixel, which the blur hides.
constexpr int kMaxSamples = 96;

// blended = (1 − below) × upper + below × lower, for one row.
void blendRows(const std::uint8_t* __restrict upper, const std::uint8_t* __restrict lower,
                                 float below, float* __restrict blended, int count)
{
    forEachIndex(count, [=](int i) { blended[i] = float(upper[i]) + below * (float(lower[i]) - float(upper[i])); });
}

// acc[x] += row sampled at x × scale + offset (linear interpolation, clamped to the row), a pixel's
// four components at once.
void addScaledRow(const float* row, int width, float scale, float offset, float* acc)
{
    const float last = float(width - 1);
    for (int x = 0; x < width; ++x) {
        const float at = std::clamp(float(x) * scale + offset, 0.0f, last);
        const int left = int(at);
        const int right = std::min(left + 1, width - 1);
        const float fraction = at - float(left);
        const Pixel4f low = loadPixel4f(row + 4 * left), high = loadPixel4f(row + 4 * right);
        storePixel4f(acc + 4 * x, loadPixel4f(acc + 4 * x) + (low + fraction * (high - low)));
    }
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
    const auto distanceToCentre = [&](double x, double y) { return std::hypot(x - centerX, y - centerY); };
    double farthest = 0;
    for (const double cornerX : {0.0, width - 1.0})
        for (const double cornerY : {0.0, height - 1.0})
            farthest = std::max(farthest, distanceToCentre(cornerX, cornerY));
    // The fraction of its distance to the centre over which a pixel is smeared; at most all of it.
    const double reach = std::min(amount / std::max(farthest, 1e-9), 1.0);
    if (!(reach > 0) || !(amount >= 0.01))
        return input;
    auto output = BitmapBuilder::createUninitialized(width, height);
    if (!output)
        return input;

    // Sample k of pixel p lies at p + (centre − p) × reach × k / (samples − 1). Within one row every
    // pixel's sample k comes from the same source row and from x positions scaled about the centre,
    // so each sample is a blend of two rows resampled horizontally.
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> acc(4 * std::size_t(width)), blended(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            const double longest = reach * std::max(distanceToCentre(0, y), distanceToCentre(width - 1.0, y));
            const int samples = int(std::min(std::ceil(longest), double(kMaxSamples - 1))) + 1;
            std::fill(acc.begin(), acc.end(), 0.0f);
            for (int k = 0; k < samples; ++k) {
                const double pull = samples > 1 ? reach * k / (samples - 1) : 0.0;
                const double sourceY = std::clamp(y + (centerY - y) * pull, 0.0, height - 1.0);
                const int top = int(sourceY);
                blendRows(input.row(top), input.row(std::min(top + 1, height - 1)), float(sourceY - top),
                          blended.data(), 4 * width);
                addScaledRow(blended.data(), width, float(1.0 - pull), float(centerX * pull), acc.data());
            }
            const float scale = 1.0f / float(samples);
            for (float& value : acc)
                value *= scale;
            narrowToBytes<true>(acc.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
