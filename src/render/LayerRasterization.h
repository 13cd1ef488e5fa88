#pragma once

#include "model/Layer.h"

#include <QRect>

#include <optional>

namespace velmaris {

// Turns a text layer into a bitmap layer holding its rasterised text (one-pixel margin included,
// so the box and origin stay). False when the text cannot be rasterised, which leaves the layer
// as it was; a bitmap layer is left alone and gives true.
bool rasterizeTextContent(Layer& layer);

// A layer's pixels: its bitmap, or its rasterised text. Nothing when the text cannot be drawn.
std::optional<Bitmap> layerPixels(const Layer& layer);

// How far a layer's effects draw past its box, in whole pixels with one to spare, from the
// silhouettes' reach: 3.5 × the glow radius, the stroke width, the shadow's offset and 1.5 × its blur.
int effectsReach(const LayerEffects& effects);

// The layer's pixels drawn with its effects over `area` (canvas coordinates; at least one pixel),
// at full opacity in the normal mode: what the layer shows on its own, for files that keep its
// opacity and blend mode apart.
std::optional<Bitmap> drawnAlone(const Layer& layer, const Bitmap& pixels, const QRect& area);

}  // namespace velmaris
