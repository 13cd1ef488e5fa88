#pragma once

#include <QString>

#include <array>
#include <optional>

namespace velmaris {

// The 16 blend modes; the index is stable and is the drawing blend-mode number (0–15).
enum class LayerBlendMode {
    normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn,
    softLight, hardLight, difference, exclusion, hue, saturation, color, luminosity
};

inline constexpr int kBlendModeCount = 16;
std::array<LayerBlendMode, kBlendModeCount> allBlendModes();
QString rawValue(LayerBlendMode mode);                       // "colorDodge"
QString displayName(LayerBlendMode mode);                    // "Color Dodge"
std::optional<LayerBlendMode> blendModeFromRawValue(const QString& raw);

}  // namespace velmaris
