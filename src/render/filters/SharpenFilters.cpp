#include "render/filters/SharpenFilters.h"

#include "render/AlphaPlane.h"
#include "render/GaussianBlur.h"
#include "render/Parallel.h"
#include "render/PixelConvert.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterRows.h"
#include "render/filters/GaussianBlurFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmaris {

namespace {

// sharp[i] = source + amount × (source − soft), for one row.
void unsharpRow(const std::uint8_t* __restrict source, const std::uint8_t* __restrict soft,
                                  float amount, float* __restrict sharp, int count)
{
    forEachIndex(count, [=](int i) { sharp[i] = float(source[i]) + amount * (float(source[i]) - float(soft[i])); });
}

}  // namespace

Bitmap sharpenLuminanceFilter(const Bitmap& input, double sharpness, double radius)
{
    const int width = input.width(), height = input.height();
    if (input.isNull() || !std::isfinite(sharpness) || sharpness == 0 || !(radius > 0))
        return input;
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    AlphaPlane luma(width, height);
    parallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* source = input.row(y);
            std::uint8_t* target = luma.row(y);
            for (int x = 0; x < width; ++x)
                target[x] = std::uint8_t(lumaOf(source + 4 * x) + 0.5f);
        }
    });
    AlphaPlane blurred = luma;
    gaussianBlur(blurred, std::min(radius, 4.0 * (width + height)), BlurEdge::clamp);

    const float amount = float(sharpness);
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* source = input.row(y);
            const std::uint8_t* sharp = luma.row(y);
            const std::uint8_t* soft = blurred.row(y);
            for (int x = 0; x < width; ++x) {
                const float lift = amount * (float(sharp[x]) - float(soft[x]));
                for (int c = 0; c < 3; ++c)
                    values[4 * x + c] = float(source[4 * x + c]) + lift;
                values[4 * x + 3] = float(source[4 * x + 3]);
            }
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

Bitmap unsharpMaskFilter(const Bitmap& input, double radius, double intensity)
{
    const int width = input.width(), height = input.height();
    if (input.isNull() || !std::isfinite(intensity) || intensity == 0 || !(radius > 0))
        return input;
    const Bitmap blurred = gaussianBlurFilter(input, radius);
    auto output = BitmapBuilder::create(width, height);
    if (!output)
        return input;
    const float amount = float(intensity);
    parallelRows(height, [&](int begin, int end) {
        std::vector<float> values(4 * std::size_t(width));
        for (int y = begin; y < end; ++y) {
            unsharpRow(input.row(y), blurred.row(y), amount, values.data(), 4 * width);
            narrowToBytes<true>(values.data(), output->row(y), 4 * width);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
