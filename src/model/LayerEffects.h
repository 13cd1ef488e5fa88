#pragma once

#include "model/ExactCompare.h"
#include "model/StoredColor.h"

#include <QSizeF>

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

}  // namespace velmaris
