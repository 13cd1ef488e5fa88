#include "render/filters/CmykHalftone.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"
#include "render/filters/FilterOutput.h"
#include "render/filters/HalftoneScreen.h"
#include "render/filters/PixelSampler.h"

#include <array>
#include <numbers>
#include <vector>

namespace velmaris {

namespace {

float unitFactor(double value, double fallback)
{
    return float(std::isnan(value) ? fallback : std::clamp(value, 0.0, 1.0));
}

}  // namespace

Bitmap cmykHalftoneFilter(const Bitmap& input, QPointF center, double width, double angle, double sharpness,
                          double grayComponentReplacement, double underColorRemoval)
{
    auto output = BitmapBuilder::createUninitialized(input.width(), input.height());
    if (!output)
        return input;
    const float period = clampedLength(width, 1.0, 1e6);
    const float softness = screenSoftness(sharpness, period);
    const double turn = finiteOr(angle, 0.0);
    constexpr double degree = std::numbers::pi / 180.0;
    const ScreenFrame cyan(center, turn + 15 * degree, period), magenta(center, turn + 75 * degree, period);
    const ScreenFrame yellow(center, turn, period), black(center, turn + 45 * degree, period);
    const float gcr = unitFactor(grayComponentReplacement, 1.0), ucr = unitFactor(underColorRemoval, 0.5);

    const int columns = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        // Colour planes of one row, written as premultiplied bytes at the end.
        std::vector<float> planes(3 * std::size_t(columns));
        float* red = planes.data();
        float* green = red + columns;
        float* blue = green + columns;
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = input.row(y);
            const float py = float(y) + 0.5f;
            // Forced inline: the body is beyond the inliner's limit at -O2, and only inlined does the
            // loop vectorise.
            forEachIndex(columns, [&](int x) __attribute__((always_inline)) {
                const float alpha = in[4 * x + 3];
                const float unpremultiply = alpha > 0.0f ? 1.0f / alpha : 0.0f;
                const float inkC = 1.0f - std::min(float(in[4 * x]) * unpremultiply, 1.0f);
                const float inkM = 1.0f - std::min(float(in[4 * x + 1]) * unpremultiply, 1.0f);
                const float inkY = 1.0f - std::min(float(in[4 * x + 2]) * unpremultiply, 1.0f);
                const float inkK = gcr * std::min(std::min(inkC, inkM), inkY);
                const float px = float(x) + 0.5f;
                // How much paper each ink's screen leaves white.
                const auto paper = [&](const ScreenFrame& frame, float amount) __attribute__((always_inline)) {
                    return screened(1.0f - amount, dotPattern(frame.u(px, py), frame.v(px, py)), softness);
                };
                const float paperK = paper(black, inkK);
                red[x] = paper(cyan, inkC - ucr * inkK) * paperK * alpha + 0.5f;
                green[x] = paper(magenta, inkM - ucr * inkK) * paperK * alpha + 0.5f;
                blue[x] = paper(yellow, inkY - ucr * inkK) * paperK * alpha + 0.5f;
            });
            storeRoundedRow(red, green, blue, in, output->row(y), columns);
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
