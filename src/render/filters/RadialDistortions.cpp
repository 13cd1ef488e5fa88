#include "render/filters/RadialDistortions.h"

#include "render/Parallel.h"
#include "render/filters/PixelSampler.h"

#include <cmath>

namespace velmaris {

namespace {

// Radians beyond which float angles lose all precision; also keeps the float conversion defined.
constexpr double kMaxTurn = 1e6;

// The source of a pixel at offset d from the centre is centre + M·d, with M = [[a, −b], [b, a]]:
// a turn and a scale. warp(t), t = distance / radius in [0, 1), gives (a, b); warp(1) must be (1, 0).
struct TurnAndScale {
    float a;
    float b;
};

template <typename Warp>
Bitmap radialDistortion(const Bitmap& input, QPointF center, double radius, Warp warp)
{
    const float limit = 4.0f * float(std::max(input.width(), input.height()));
    const float r = clampedLength(radius, 0.0, limit);
    const float cx = clampedLength(center.x(), -limit, limit), cy = clampedLength(center.y(), -limit, limit);
    auto output = BitmapBuilder::copyOf(input);
    if (!output || r <= 0.0f)
        return input;
    const PixelSampler sampler(input);
    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const float dy = float(y) + 0.5f - cy;
            if (std::fabs(dy) >= r)
                continue;
            const float halfChord = std::sqrt(r * r - dy * dy);
            const int x0 = std::max(0, int(std::floor(cx - halfChord)));
            const int x1 = std::min(width, int(std::ceil(cx + halfChord)) + 1);
            std::uint8_t* out = bits + y * stride;
            for (int x = x0; x < x1; ++x) {
                const float dx = float(x) + 0.5f - cx;
                const float distance = std::sqrt(dx * dx + dy * dy);
                if (distance >= r)
                    continue;
                const TurnAndScale m = warp(distance / r);
                const Rgbaf colour =
                    sampler.bilinear<SampleEdge::clamp>(cx + m.a * dx - m.b * dy, cy + m.b * dx + m.a * dy);
                storePremultiplied(out + 4 * x, colour);
            }
        }
    });
    return std::move(*output).build();
}

TurnAndScale turn(float angle)
{
    return {std::cos(angle), std::sin(angle)};
}

}  // namespace

Bitmap twirlFilter(const Bitmap& input, QPointF center, double radius, double angle)
{
    const float turns = float(std::clamp(finiteOr(angle, 0.0), -kMaxTurn, kMaxTurn));
    if (turns == 0.0f)
        return input;
    // 1 − smoothstep: flat at the centre and at the rim.
    return radialDistortion(input, center, radius, [turns](float t) { return turn(turns * (1.0f - t * t * (3.0f - 2.0f * t))); });
}

Bitmap vortexFilter(const Bitmap& input, QPointF center, double radius, double angle)
{
    const float turns = float(std::clamp(finiteOr(angle, 0.0), -kMaxTurn, kMaxTurn));
    if (turns == 0.0f)
        return input;
    // (1 − t²)² ≥ 1 − smoothstep(t) everywhere: the vortex holds its turn further out than the twirl.
    return radialDistortion(input, center, radius, [turns](float t) {
        const float fall = 1.0f - t * t;
        return turn(turns * fall * fall);
    });
}

Bitmap pinchFilter(const Bitmap& input, QPointF center, double radius, double scale)
{
    const float amount = float(std::clamp(finiteOr(scale, 0.0), 0.0, 1.0));
    if (amount == 0.0f)
        return input;
    // Source distance t^(1 − k) · radius with k = 0.8 · amount · (1 − t)²: singular (pinched) at the
    // centre, monotonic, and meeting the identity smoothly at the rim.
    return radialDistortion(input, center, radius, [amount](float t) {
        const float k = 0.8f * amount * (1.0f - t) * (1.0f - t);
        return TurnAndScale{std::exp2(-k * std::log2(std::max(t, 1e-6f))), 0.0f};
    });
}

Bitmap bumpFilter(const Bitmap& input, QPointF center, double radius, double scale)
{
    const float amount = float(std::clamp(finiteOr(scale, 0.0), -1.0, 1.0));
    if (amount == 0.0f)
        return input;
    // Magnification 2^(1.2 · amount) at the centre, easing to 1 at the rim; the factor stays below
    // 1 / ln 2, beyond which the dent (amount −1) would fold over itself.
    return radialDistortion(input, center, radius, [amount](float t) {
        const float fall = 1.0f - t * t;
        return TurnAndScale{std::exp2(-1.2f * amount * fall * fall), 0.0f};
    });
}

}  // namespace velmaris
