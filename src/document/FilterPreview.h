#pragma once

#include "model/CanvasState.h"
#include "render/Compositor.h"
#include "render/FilterCatalogue.h"

#include <QRectF>
#include <QUuid>

#include <optional>

namespace velmaris {

class ImageDocument;

// The live filter preview of one layer: the filter with its current values and the document's
// selection when the preview was made (clipped to the canvas, whole pixels).
struct FilterPreview {
    QUuid layerID;
    FilterInstance instance;
    std::optional<QRectF> selection;
    SelectionShape selectionShape = SelectionShape::rectangle;
    bool selectionInverted = false;

    // What the compositor draws in place of the layer; with a scale, for the canvas scaled by it
    // (the selection scaled, lengths of the filter too).
    LayerPreview compositorPreview(double scale = 1) const;
};

// The document's selection intersected with the canvas and rounded outward; nothing if empty.
std::optional<QRectF> filterSelectionRect(const ImageDocument& document);

// Previews the filter on the selected layer (nothing without one).
void updateFilterPreview(ImageDocument& document, const FilterInstance& instance);

// Bakes the filter into the selected layer, inside the selection, as one history step named after
// the filter. Nothing without an unlocked selected layer, or when the filter leaves a bitmap layer's
// pixels as they are. Text layers become bitmap layers.
bool applyFilter(ImageDocument& document, const FilterInstance& instance);

}  // namespace velmaris
