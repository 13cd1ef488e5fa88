#pragma once

#include "model/Bitmap.h"
#include "render/AlphaPlane.h"

#include <QPoint>
#include <QPointF>

#include <array>
#include <cstdint>

namespace velmaris {

enum class GradientShape { linear, radial };

// A two-colour gradient on the canvas: `from` at `start`, `to` at `end` (the line's far end, or the
// circle's edge for a radial one), each colour held beyond its end. Colours are premultiplied RGBA8
// and blend in premultiplied form, so a fade to transparent keeps its hue.
struct GradientDrawing {
    GradientShape shape = GradientShape::linear;
    QPointF start;
    QPointF end;
    std::array<std::uint8_t, 4> from{};
    std::array<std::uint8_t, 4> to{};
};

// The gradient painted source-over onto `target`, whose top-left pixel sits at `origin` on the
// canvas; each pixel (sampled at its centre) weighted by `coverage`, the same size as the target.
// Nothing is painted when the two ends coincide.
void paintGradient(BitmapBuilder& target, QPoint origin, const GradientDrawing& gradient, const AlphaPlane& coverage);

}  // namespace velmaris
