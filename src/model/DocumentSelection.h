#pragma once

#include "model/CanvasState.h"

#include <QRectF>
#include <QSizeF>

#include <optional>

namespace velmaris {

// The selection of a document: the rectangle, its outline, inversion and locked aspect.
struct DocumentSelection {
    std::optional<QRectF> rect;  // canvas pixels; absent means no selection
    std::optional<QSizeF> aspect;
    SelectionShape shape = SelectionShape::rectangle;
    bool inverted = false;
    friend bool operator==(const DocumentSelection&, const DocumentSelection&) = default;
};

}  // namespace velmaris
