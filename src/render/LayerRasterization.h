#pragma once

#include "model/Layer.h"

#include <optional>

namespace velmaris {

// Turns a text layer into a bitmap layer holding its rasterised text (one-pixel margin included,
// so the box and origin stay). False when the text cannot be rasterised, which leaves the layer
// as it was; a bitmap layer is left alone and gives true.
bool rasterizeTextContent(Layer& layer);

// A layer's pixels: its bitmap, or its rasterised text. Nothing when the text cannot be drawn.
std::optional<Bitmap> layerPixels(const Layer& layer);

}  // namespace velmaris
