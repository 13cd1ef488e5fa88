#pragma once

#include "model/CanvasState.h"

#include <QImage>
#include <QRectF>
#include <QSet>
#include <QUuid>
#include <QVector>

#include <optional>

namespace velmaris {

// One moving layer of a fast layer drag: its pixels (text rasterised, effects left out) at the
// drag's scale, drawn with its blend mode and opacity wherever the layer is now.
struct DragLayerCache {
    QUuid id;
    Bitmap image;
    double opacity = 1;
    LayerBlendMode blendMode = LayerBlendMode::normal;
    QRectF lastFrame;  // canvas coordinates where it was last drawn
};

// What a layer drag draws instead of recompositing on every pointer event: the composite of the
// layers that stay put and the moving layers, all reduced by `scale` (1, 1/2, 1/4 …) to suit the
// zoom. Built once per drag off the main thread.
struct LayerDragImages {
    Bitmap staticComposite;
    QVector<DragLayerCache> movingLayers;
    double scale = 1;

    // The images for dragging `moving` in `state`; nothing when the canvas cannot be rendered.
    static std::optional<LayerDragImages> build(const CanvasState& state, const QSet<QUuid>& moving, int halvings);

    // The canvas area `area` (canvas coordinates) with the moving layers at their origins in
    // `state`, in the bitmap format; `drawnArea` receives the canvas rectangle the image covers.
    QImage compose(const CanvasState& state, const QRectF& area, QRectF& drawnArea) const;
};

}  // namespace velmaris
