#pragma once

#include "document/ImageDocument.h"
#include "render/BrushStroke.h"

#include <QUuid>

#include <memory>
#include <variant>

namespace velmaris {

// Why the current layer cannot take a stroke of the brush or the eraser.
enum class PaintRefusal { noLayer, locked, text };

// A stroke begun on the document's current layer, clipped to the selection (its shape, or with
// inversion everything else) when there is one.
struct BrushStrokeStart {
    QUuid layerID;
    std::unique_ptr<BrushStroke> stroke;
};
std::variant<BrushStrokeStart, PaintRefusal> startBrushStroke(const ImageDocument& document,
                                                              const BrushSettings& settings, const BrushInk& ink);

// Puts a stroke's result (BrushStroke::result, which may be made on another thread) into its
// layer, one history step named `name`. False, changing nothing, when the layer is gone, locked,
// or no longer holds the pixels the stroke started from.
bool commitBrushStroke(ImageDocument& document, const QUuid& layerID, const BrushStroke& stroke,
                       PaintedLayer painted, const QString& name);

// Turns a text layer into pixels of its rendered text, one history step "Rasterize Layer".
bool rasterizeTextLayer(ImageDocument& document, const QUuid& layerID);

}  // namespace velmaris
