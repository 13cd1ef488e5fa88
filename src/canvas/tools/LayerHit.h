#pragma once

#include "model/CanvasState.h"

#include <optional>

namespace velmaris {

// The topmost visible layer whose box holds the point (only text layers when `textOnly`).
inline std::optional<Layer> topmostLayerAt(const CanvasState& state, QPointF point, bool textOnly)
{
    for (auto layer = state.layers.crbegin(); layer != state.layers.crend(); ++layer)
        if (layer->isVisible && (!textOnly || layer->isText()) && layer->box().contains(point))
            return *layer;
    return std::nullopt;
}

}  // namespace velmaris
