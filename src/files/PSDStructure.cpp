#include "files/PSDStructure.h"

#include <array>
#include <utility>

namespace velmaris::psd {

namespace {

const std::array<std::pair<LayerBlendMode, const char*>, kBlendModeCount>& blendModeKeys()
{
    static const std::array<std::pair<LayerBlendMode, const char*>, kBlendModeCount> keys{{
        {LayerBlendMode::normal, "norm"},     {LayerBlendMode::multiply, "mul "},
        {LayerBlendMode::screen, "scrn"},     {LayerBlendMode::overlay, "over"},
        {LayerBlendMode::darken, "dark"},     {LayerBlendMode::lighten, "lite"},
        {LayerBlendMode::colorDodge, "div "}, {LayerBlendMode::colorBurn, "idiv"},
        {LayerBlendMode::softLight, "sLit"},  {LayerBlendMode::hardLight, "hLit"},
        {LayerBlendMode::difference, "diff"}, {LayerBlendMode::exclusion, "smud"},
        {LayerBlendMode::hue, "hue "},        {LayerBlendMode::saturation, "sat "},
        {LayerBlendMode::color, "colr"},      {LayerBlendMode::luminosity, "lum "},
    }};
    return keys;
}

}  // namespace

QByteArray blendModeKey(LayerBlendMode mode)
{
    for (const auto& [candidate, key] : blendModeKeys())
        if (candidate == mode)
            return QByteArray(key, 4);
    return QByteArray("norm", 4);
}

std::optional<LayerBlendMode> blendModeForKey(const QByteArray& key)
{
    for (const auto& [mode, candidate] : blendModeKeys())
        if (key == QByteArray(candidate, 4))
            return mode;
    return std::nullopt;
}

}  // namespace velmaris::psd
