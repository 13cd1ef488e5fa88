#include "files/OpenRaster.h"

#include <array>
#include <utility>

namespace velmaris::openraster {

namespace {

// Exclusion has no name in the format: it round-trips through our own attribute.
const std::array<std::pair<LayerBlendMode, const char*>, 15>& compositeOps()
{
    static const std::array<std::pair<LayerBlendMode, const char*>, 15> ops{{
        {LayerBlendMode::normal, "svg:src-over"},
        {LayerBlendMode::multiply, "svg:multiply"},
        {LayerBlendMode::screen, "svg:screen"},
        {LayerBlendMode::overlay, "svg:overlay"},
        {LayerBlendMode::darken, "svg:darken"},
        {LayerBlendMode::lighten, "svg:lighten"},
        {LayerBlendMode::colorDodge, "svg:color-dodge"},
        {LayerBlendMode::colorBurn, "svg:color-burn"},
        {LayerBlendMode::softLight, "svg:soft-light"},
        {LayerBlendMode::hardLight, "svg:hard-light"},
        {LayerBlendMode::difference, "svg:difference"},
        {LayerBlendMode::hue, "svg:hue"},
        {LayerBlendMode::saturation, "svg:saturation"},
        {LayerBlendMode::color, "svg:color"},
        {LayerBlendMode::luminosity, "svg:luminosity"},
    }};
    return ops;
}

}  // namespace

std::optional<QString> compositeOp(LayerBlendMode mode)
{
    for (const auto& [candidate, op] : compositeOps())
        if (candidate == mode)
            return QString::fromLatin1(op);
    return std::nullopt;
}

std::optional<LayerBlendMode> blendModeForCompositeOp(const QString& op)
{
    for (const auto& [mode, name] : compositeOps())
        if (op == QLatin1String(name))
            return mode;
    // Written by some programs although the format does not name it.
    if (op == u"svg:exclusion")
        return LayerBlendMode::exclusion;
    return std::nullopt;
}

}  // namespace velmaris::openraster
