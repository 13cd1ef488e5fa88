#pragma once

#include "document/ImageDocument.h"
#include "model/StoredColor.h"

#include <optional>

namespace velmaris {

// Operations on the whole canvas. Each records one history entry; locks are not looked at.

// Turns the canvas and every layer a quarter turn. Text layers become bitmaps first. The selection
// is cleared.
void rotateCanvas(ImageDocument& document, bool clockwise);
// Mirrors every layer and its place on the canvas. Text layers become bitmaps first.
void flipCanvas(ImageDocument& document, bool horizontal);
// Makes the selection's rectangle (cut to the canvas) the canvas. Layers keep every pixel, also
// those now outside. False, and no change, without a selection inside the canvas.
bool cropToSelection(ImageDocument& document);
// Resamples the image to width × height (each 1 … 30000). Text stays text, its sizes scaled by
// the vertical factor. False, and no change, for a size out of range or the current size.
bool resizeImage(ImageDocument& document, int width, int height);
// Gives the canvas width × height pixels (each 1 … 30000) without resampling: the old image keeps
// its pixels and sits where `anchor` says (one of Qt::AlignLeft, AlignHCenter, AlignRight with one
// of AlignTop, AlignVCenter, AlignBottom; centred, an odd pixel goes right or down), and every
// layer moves with it, also keeping what falls outside. With `fill`, the new area is painted with
// it in the bottom layer, under that layer's own pixels; a bottom text layer stays text and a
// layer holding only the fill goes under it. The selection is cleared. False, and no change, for a
// size out of range, the current size, or pixels that cannot be made.
bool resizeCanvas(ImageDocument& document, int width, int height, Qt::Alignment anchor,
                  const std::optional<StoredColor>& fill);
// Crops away the rows and columns at the edges of the composite that are fully transparent. False,
// and no change, when there are none or the whole composite is transparent.
bool trimCanvas(ImageDocument& document);

}  // namespace velmaris
