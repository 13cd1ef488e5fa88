#include "render/filters/CmykHalftone.h"

#include "render/Parallel.h"
#include "render/filters/HalftoneScreen.h"
#include "render/filters/PixelSampler.h"

#include <array>
#include <numbers>

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
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const float period = clampedLength(width, 1.0, 1e6);
    const float softness = screenSoftness(sharpness, period);
    const double turn = finiteOr(angle, 0.0);
    constexpr double degree = std::numbers::pi / 180.0;
    // Cyan, magenta, yellow, black.
    const std::array<ScreenFrame, 4> frames{ScreenFrame(center, turn + 15 * degree, period),
                                            ScreenFrame(center, turn + 75 * degree, period),
                                            ScreenFrame(center, turn, period),
                                            ScreenFrame(center, turn + 45 * degree, period)};
    const float gcr = unitFactor(grayComponentReplacement, 1.0), ucr = unitFactor(underColorRemoval, 0.5);

    const std::uint8_t* inBits = input.bits();
    const qsizetype inStride = input.stride();
    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    const int columns = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const std::uint8_t* in = inBits + y * inStride;
            std::uint8_t* out = bits + y * stride;
            const float py = float(y) + 0.5f;
            for (int x = 0; x < columns; ++x) {
                const float alpha = in[4 * x + 3];
                const float unpremultiply = alpha > 0.0f ? 1.0f / alpha : 0.0f;
                float ink[4];
                for (int c = 0; c < 3; ++c)
                    ink[c] = 1.0f - std::min(float(in[4 * x + c]) * unpremultiply, 1.0f);
                ink[3] = gcr * std::min({ink[0], ink[1], ink[2]});
                const float px = float(x) + 0.5f;
                float paper[4];  // how much paper each ink's screen leaves white
                for (int c = 0; c < 4; ++c) {
                    const float amount = c < 3 ? ink[c] - ucr * ink[3] : ink[3];
                    const ScreenFrame& frame = frames[c];
                    paper[c] = screened(1.0f - amount, dotPattern(frame.u(px, py), frame.v(px, py)), softness);
                }
                for (int c = 0; c < 3; ++c)
                    out[4 * x + c] = std::uint8_t(paper[c] * paper[3] * alpha + 0.5f);
                out[4 * x + 3] = in[4 * x + 3];
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
