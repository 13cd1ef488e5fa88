#pragma once

#include "model/LayerEffects.h"
#include "model/StoredColor.h"

#include <QString>

namespace velmaris {

// What the Layer Effects dialog shows and reads: a switch, the field texts and a colour per effect.
struct LayerEffectsFields {
    bool shadowOn = false;
    QString shadowOffsetX;
    QString shadowOffsetY;
    QString shadowBlur;
    StoredColor shadowColor;
    bool strokeOn = false;
    QString strokeWidth;
    StoredColor strokeColor;
    bool glowOn = false;
    QString glowRadius;
    StoredColor glowColor;
};

// The fields for a layer's effects: each present effect shows its own values and colour, an absent
// one is switched off with the defaults (offset 4, 4; blur 6; half-transparent black; stroke 4 in
// `currentColor`; glow 8 in white).
LayerEffectsFields layerEffectsFields(const LayerEffects& effects, const StoredColor& currentColor);

// The effects the fields describe: each switched-on effect from its fields, each switched-off one
// absent. A field that does not hold a finite number gives that field's default; a negative blur
// becomes 0, and stroke width and glow radius are at least 1; values above the maxima of
// clampedLayerEffects are lowered to them.
LayerEffects layerEffectsInput(const LayerEffectsFields& fields);

}  // namespace velmaris
