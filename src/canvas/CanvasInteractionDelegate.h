#pragma once

#include "model/StoredColor.h"

#include <QString>

#include <optional>

namespace velmaris {

// The pixel under the pointer and its colour (absent where the pixel is fully transparent).
struct PixelReadout {
    int x = 0;
    int y = 0;
    std::optional<StoredColor> color;
};

// "x, y  #RRGGBB", or "x, y  —" for a transparent pixel.
QString pixelReadoutText(const PixelReadout& readout);

// What the canvas asks of the window that hosts it.
class CanvasInteractionDelegate {
public:
    virtual ~CanvasInteractionDelegate() = default;
    // The readout under the pointer; nothing when the pointer is off the canvas.
    virtual void canvasPixelReadoutChanged(const std::optional<PixelReadout>& readout) = 0;
};

}  // namespace velmaris
