#pragma once

#include "document/ImageDocument.h"
#include "render/AlphaPlane.h"

#include <QRect>
#include <QRectF>

#include <optional>

namespace velmaris {

// What the painting operations share: whether the primary layer takes paint, growing a layer to
// the area they paint and limiting the paint to the selection.

// Why the pixel tools cannot paint on the primary layer: there is none, it is locked, or it holds
// text (which keeps no pixels until it is rasterised).
enum class PaintRefusal { noLayer, locked, text };
std::optional<PaintRefusal> paintRefusal(const ImageDocument& document);

// A text layer becomes a bitmap layer of its rendered text; one history entry "Rasterize Layer".
// False for a bitmap, locked or unknown layer, or text that cannot be drawn.
bool rasterizeLayer(ImageDocument& document, const QUuid& id);

// The smallest whole-pixel rectangle containing both; nothing if no bitmap could be that large.
std::optional<QRect> integralUnion(const QRectF& a, const QRectF& b);

// The bitmap layer's pixels redrawn at their place inside `bounds` (canvas pixels).
std::optional<BitmapBuilder> pixelsWithin(const Layer& layer, QRect bounds);

// Coverage over `bounds` (canvas pixels) of the selection's shape, or of everything else when it
// is inverted; `selected` is its whole-pixel rectangle (selectionPixelRect). Empty when too large.
AlphaPlane selectionCoverage(const DocumentSelection& selection, QRect selected, QRect bounds);

}  // namespace velmaris
