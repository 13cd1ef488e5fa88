#pragma once

#include "model/ExactCompare.h"
#include "model/StoredColor.h"

#include <QSizeF>

#include <algorithm>
#include <cmath>
#include <optional>

namespace velmaris {

struct ShadowEffect {
    StoredColor color{0, 0, 0, 0.5};
    QSizeF offset{4, 4};  // positive height moves the shadow down
    double blur = 6;
    friend bool operator==(const ShadowEffect& a, const ShadowEffect& b)
    {
        return a.color == b.color && exactlyEqual(a.offset, b.offset) && a.blur == b.blur;
    }
};

struct StrokeEffect {
    StoredColor color;
    double width = 4;
    friend bool operator==(const StrokeEffect&, const StrokeEffect&) = default;
};

struct GlowEffect {
    StoredColor color{1, 1, 1, 1};
    double radius = 8;
    friend bool operator==(const GlowEffect&, const GlowEffect&) = default;
};

// Absent effects are off.
struct LayerEffects {
    std::optional<ShadowEffect> shadow;
    std::optional<StrokeEffect> stroke;
    std::optional<GlowEffect> glow;
    friend bool operator==(const LayerEffects&, const LayerEffects&) = default;
};

// The largest effect sizes, in pixels. An effect is drawn from a silhouette that grows the layer by
// its reach on every side (3.5 × the glow radius, the stroke width, 1.5 × the shadow blur), and its
// cost follows that area: on a small layer the largest glow is a 3500-pixel square, made in a
// fraction of a second, where an unbounded radius could ask for more memory than there is.
inline constexpr double kMaxGlowRadius = 500;
inline constexpr double kMaxStrokeEffectWidth = 1000;  // as wide as the Stroke command draws
inline constexpr double kMaxShadowBlur = 1000;
inline constexpr double kMaxShadowOffset = 30000;  // beyond it the shadow misses the largest canvas

// The effects with every size and offset within the maxima; a value that is not a number is 0.
inline LayerEffects clampedLayerEffects(LayerEffects effects)
{
    const auto clamped = [](double value, double low, double high) {
        return std::isnan(value) ? 0.0 : std::clamp(value, low, high);
    };
    if (ShadowEffect* shadow = effects.shadow ? &*effects.shadow : nullptr) {
        shadow->offset = QSizeF(clamped(shadow->offset.width(), -kMaxShadowOffset, kMaxShadowOffset),
                                clamped(shadow->offset.height(), -kMaxShadowOffset, kMaxShadowOffset));
        shadow->blur = clamped(shadow->blur, -kMaxShadowBlur, kMaxShadowBlur);
    }
    if (effects.stroke)
        effects.stroke->width = clamped(effects.stroke->width, -kMaxStrokeEffectWidth, kMaxStrokeEffectWidth);
    if (effects.glow)
        effects.glow->radius = clamped(effects.glow->radius, -kMaxGlowRadius, kMaxGlowRadius);
    return effects;
}

}  // namespace velmaris
