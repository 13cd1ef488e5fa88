#include "render/filters/Screens.h"

#include "render/Parallel.h"
#include "render/filters/HalftoneScreen.h"
#include "render/filters/PixelSampler.h"

namespace velmaris {

namespace {

// Runs whiteness(frame, softness, x, y, luma) → 0…1 over every pixel and writes that grey at the
// pixel's alpha.
template <typename Whiteness>
Bitmap monochromeScreen(const Bitmap& input, QPointF center, double angle, double width, double sharpness,
                        Whiteness whiteness)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const float period = clampedLength(width, 1.0, 1e6);
    const ScreenFrame frame(center, angle, period);
    const float softness = screenSoftness(sharpness, period);
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
                const float white = whiteness(frame, softness, float(x) + 0.5f, py, unpremultipliedLuma(in + 4 * x));
                const auto grey = std::uint8_t(white * alpha + 0.5f);
                out[4 * x + 0] = grey;
                out[4 * x + 1] = grey;
                out[4 * x + 2] = grey;
                out[4 * x + 3] = in[4 * x + 3];
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace

Bitmap dotScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness)
{
    return monochromeScreen(input, center, angle, width, sharpness,
                            [](const ScreenFrame& frame, float softness, float x, float y, float luma) {
        return screened(luma, dotPattern(frame.u(x, y), frame.v(x, y)), softness);
    });
}

Bitmap lineScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness)
{
    return monochromeScreen(input, center, angle, width, sharpness,
                            [](const ScreenFrame& frame, float softness, float x, float y, float luma) {
        return screened(luma, linePattern(frame.v(x, y)), softness);
    });
}

Bitmap hatchedScreenFilter(const Bitmap& input, QPointF center, double angle, double width, double sharpness)
{
    return monochromeScreen(input, center, angle, width, sharpness,
                            [](const ScreenFrame& frame, float softness, float x, float y, float luma) {
        const float along = screened(luma, linePattern(frame.v(x, y)), softness);
        const float across = screened(std::min(2.0f * luma, 1.0f), linePattern(frame.u(x, y)), softness);
        return std::min(along, across);
    });
}

}  // namespace velmaris
