#include "document/LayerEffectsInput.h"

#include "document/DialogInput.h"

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

QString fieldText(double value)
{
    return QString::number(value, 'g', 10);
}

double fieldValue(const QString& text, double fallback)
{
    const std::optional<double> value = parseDialogNumber(text);
    return value && std::isfinite(*value) ? *value : fallback;
}

}  // namespace

LayerEffectsFields layerEffectsFields(const LayerEffects& effects, const StoredColor& currentColor)
{
    const ShadowEffect shadow = effects.shadow.value_or(ShadowEffect{});
    const StrokeEffect stroke = effects.stroke.value_or(StrokeEffect{currentColor, StrokeEffect{}.width});
    const GlowEffect glow = effects.glow.value_or(GlowEffect{});
    LayerEffectsFields fields;
    fields.shadowOn = effects.shadow.has_value();
    fields.shadowOffsetX = fieldText(shadow.offset.width());
    fields.shadowOffsetY = fieldText(shadow.offset.height());
    fields.shadowBlur = fieldText(shadow.blur);
    fields.shadowColor = shadow.color;
    fields.strokeOn = effects.stroke.has_value();
    fields.strokeWidth = fieldText(stroke.width);
    fields.strokeColor = stroke.color;
    fields.glowOn = effects.glow.has_value();
    fields.glowRadius = fieldText(glow.radius);
    fields.glowColor = glow.color;
    return fields;
}

LayerEffects layerEffectsInput(const LayerEffectsFields& fields)
{
    const ShadowEffect shadowDefaults;
    const StrokeEffect strokeDefaults;
    const GlowEffect glowDefaults;
    LayerEffects effects;
    if (fields.shadowOn) {
        const QSizeF offset(fieldValue(fields.shadowOffsetX, shadowDefaults.offset.width()),
                            fieldValue(fields.shadowOffsetY, shadowDefaults.offset.height()));
        effects.shadow = ShadowEffect{fields.shadowColor, offset,
                                      std::max(0.0, fieldValue(fields.shadowBlur, shadowDefaults.blur))};
    }
    if (fields.strokeOn)
        effects.stroke = StrokeEffect{fields.strokeColor,
                                      std::max(1.0, fieldValue(fields.strokeWidth, strokeDefaults.width))};
    if (fields.glowOn)
        effects.glow = GlowEffect{fields.glowColor, std::max(1.0, fieldValue(fields.glowRadius, glowDefaults.radius))};
    return clampedLayerEffects(effects);
}

}  // namespace velmaris
