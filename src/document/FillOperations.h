#pragma once

#include "document/ImageDocument.h"
#include "document/LayerPainting.h"
#include "render/FloodFill.h"
#include "render/Gradient.h"

#include <QImage>
#include <QPoint>
#include <QUuid>

#include <optional>

namespace velmaris {

enum class FillSampling { layer, composite };

struct BucketFill {
    RegionSettings region;
    FillSampling sampling = FillSampling::layer;
};

// The fill bucket: the region that starts at `pixel` (canvas) in the primary layer or in the
// composite, limited to the selection, painted with `color` into the primary layer, which grows
// to hold it; one history entry "Fill". `composite` is the canvas-size composite when the caller
// has one at hand (rendered here otherwise). False, changing nothing, when the layer is refused,
// the pixel lies off the canvas or nothing of the region is selected.
bool fillRegion(ImageDocument& document, QPoint pixel, const BucketFill& fill, const StoredColor& color,
                const QImage& composite = {});

// The gradient painted into the primary layer over the canvas, or over the selection when there is
// one; one history entry "Gradient". False, changing nothing, when the layer is refused, the
// selection lies off the canvas or the gradient's ends coincide.
bool fillGradient(ImageDocument& document, const GradientDrawing& gradient);

}  // namespace velmaris
