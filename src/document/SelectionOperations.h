#pragma once

#include "document/ImageDocument.h"

#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace velmaris {

// Selection commands. They change only the selection, announce it and record no history.
// The shape and the aspect are set with ImageDocument::setSelectionShape / setSelectionAspect.

// The whole canvas, as a rectangle; inversion is kept.
void selectAll(ImageDocument& document);
// No selection, and no inversion left over for the next one.
void deselect(ImageDocument& document);
// Toggles inversion, with or without a selection.
void invertSelection(ImageDocument& document);
// A width × height rectangle (each at least 1) centred on the canvas and cut to it. False, and no
// change, for a size out of range.
bool selectFixedSize(ImageDocument& document, QSizeF size);

// The smallest whole-pixel rectangle containing `rect` ∩ the canvas; nothing when that is empty.
std::optional<QRect> integralRectInCanvas(const QRectF& rect, QSizeF canvasSize);
// That rectangle for the document's selection (shape and inversion ignored).
std::optional<QRect> selectionPixelRect(const ImageDocument& document);

}  // namespace velmaris
