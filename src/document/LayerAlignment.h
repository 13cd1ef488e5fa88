#pragma once

#include <QString>

#include <optional>

namespace velmaris {

class ImageDocument;

enum class LayerAlignment { left, centerHorizontal, right, top, centerVertical, bottom };

QString rawValue(LayerAlignment alignment);     // "centerHorizontal"
QString displayName(LayerAlignment alignment);  // "Horizontal Center"
std::optional<LayerAlignment> layerAlignmentFromRawValue(const QString& raw);

// The primary layer aligned to the selection (or the canvas) or, with extra-selected layers, those
// aligned to the primary layer. New coordinates are whole pixels. Returns whether a layer moved.
bool alignLayers(ImageDocument& document, LayerAlignment alignment);

}  // namespace velmaris
