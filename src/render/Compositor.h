#pragma once

#include "model/CanvasState.h"
#include "model/Bitmap.h"

#include <QRect>
#include <QRectF>
#include <QSet>
#include <QUuid>

#include <functional>
#include <optional>

namespace velmaris {

class RenderCancellation;

// A filter as the compositor runs it: image in, image out (a null bitmap when it cannot render).
using FilterFunction = std::function<Bitmap(const Bitmap&)>;

// The live filter preview of one layer, with the document's selection at the time it was made.
struct LayerPreview {
    QUuid layerID;
    FilterFunction filter;
    std::optional<QRectF> selection;  // canvas coordinates
    SelectionShape selectionShape = SelectionShape::rectangle;
    bool selectionInverted = false;
};

// The canvas flattened: every visible layer not in `excluded`, bottom first, with its effects,
// blend mode and opacity. Nothing when the canvas rounds to less than 1 × 1 pixel, or when
// `cancellation` or RenderCancellation::cancelEverything fires before the render is complete (it
// is checked between layers and stops the row bands of the kernels). Text images and effect
// silhouettes come from the render caches, and the layers under the one that changed since the
// last render are not drawn again.
std::optional<Bitmap> renderComposite(const CanvasState& state, const LayerPreview* preview = nullptr,
                                      const QSet<QUuid>& excluded = {},
                                      RenderCancellation* cancellation = nullptr);

struct RenderedRegion {
    Bitmap image;
    QRect rect;  // canvas coordinates of the image
};

// The given layers (bottom first) drawn into the integral union of their layer boxes; effects
// reaching past that union are cut. Hidden layers count for the union but are not drawn.
std::optional<RenderedRegion> renderLayerRegion(const QVector<Layer>& layers,
                                                const LayerPreview* preview = nullptr);

// Draws one layer's image with glow, stroke, shadow and blend mode at its origin − offset.
void drawLayer(BitmapBuilder& target, const Bitmap& image, const Layer& layer, QPointF offset,
               const RenderCancellation* cancellation = nullptr);

// The layer image with the preview's filter applied, inside the selection when there is one.
Bitmap applyPreviewToLayerImage(const Bitmap& image, const Layer& layer, const LayerPreview& preview);

// Rounds a canvas length to whole pixels, halves away from zero.
int roundedPixels(double length);

}  // namespace velmaris
