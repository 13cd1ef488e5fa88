#pragma once

#include "document/ImageDocument.h"

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

}  // namespace velmaris
