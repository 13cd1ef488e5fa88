#pragma once

namespace velmaris {

class CanvasView;

// Whether the pixel tools may paint on the document's primary layer now. When not, the user is
// told why in a message over the canvas: a locked layer must be unlocked first, and a text layer
// is offered to be rasterized (one history step) so that the next click paints.
bool primaryLayerPaintable(CanvasView& view);

}  // namespace velmaris
