#pragma once

#include "document/ImageDocument.h"
#include "document/LayerPainting.h"
#include "render/BrushStroke.h"

#include <QUuid>

#include <memory>
#include <variant>

namespace velmaris {

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

}  // namespace velmaris
