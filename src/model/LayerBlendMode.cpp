#include "model/LayerBlendMode.h"

namespace velmaris {

namespace {

struct BlendModeNames {
    const char* raw;
    const char* display;
};

// Indexed by the enumeration value.
constexpr BlendModeNames kNames[kBlendModeCount] = {
    {"normal", "Normal"},         {"multiply", "Multiply"},     {"screen", "Screen"},
    {"overlay", "Overlay"},       {"darken", "Darken"},         {"lighten", "Lighten"},
    {"colorDodge", "Color Dodge"}, {"colorBurn", "Color Burn"}, {"softLight", "Soft Light"},
    {"hardLight", "Hard Light"},  {"difference", "Difference"}, {"exclusion", "Exclusion"},
    {"hue", "Hue"},               {"saturation", "Saturation"}, {"color", "Color"},
    {"luminosity", "Luminosity"},
};

}  // namespace

std::array<LayerBlendMode, kBlendModeCount> allBlendModes()
{
    std::array<LayerBlendMode, kBlendModeCount> modes;
    for (int i = 0; i < kBlendModeCount; ++i)
        modes[i] = LayerBlendMode(i);
    return modes;
}

QString rawValue(LayerBlendMode mode)
{
    return QString::fromLatin1(kNames[int(mode)].raw);
}

QString displayName(LayerBlendMode mode)
{
    return QString::fromLatin1(kNames[int(mode)].display);
}

std::optional<LayerBlendMode> blendModeFromRawValue(const QString& raw)
{
    for (int i = 0; i < kBlendModeCount; ++i) {
        if (raw == QLatin1String(kNames[i].raw))
            return LayerBlendMode(i);
    }
    return std::nullopt;
}

}  // namespace velmaris
