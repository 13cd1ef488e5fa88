#pragma once

#include "model/LayerBlendMode.h"
#include "render/AlphaPlane.h"
#include "model/Bitmap.h"

#include <QPoint>
#include <QPointF>

#include <cstdint>

namespace velmaris {

// Composites `source` onto `target` with its top-left at `topLeft` (target pixels), using the
// W3C Compositing Level 1 blend formula of `mode`, composited source-over, with global alpha
// `opacity` (0–1). Both images are premultiplied RGBA8. Pixels falling outside the target are cut.
// `coverage`, when given, is a per-pixel factor in source coordinates (same size as the source),
// applied like the global alpha (used for anti-aliased clip masks).
void blendInto(BitmapBuilder& target, const Bitmap& source, QPoint topLeft, LayerBlendMode mode,
               double opacity, const AlphaPlane* coverage = nullptr);

// How a blend computes: 8-bit integer where the mode has an integer form within 1/255 of float
// (source-over at any opacity and the separable modes without division, root or branch), or float
// only.
enum class BlendArithmetic { fastest, floatOnly };

// One row of `count` pixels of blendInto, with the given arithmetic (the two are compared in tests).
void blendRow(std::uint8_t* target, const std::uint8_t* source, int count, LayerBlendMode mode, double opacity,
              BlendArithmetic arithmetic);

// As above for a fractional position: the source is shifted by bilinear interpolation first.
void blendInto(BitmapBuilder& target, const Bitmap& source, QPointF topLeft, LayerBlendMode mode,
               double opacity);

}  // namespace velmaris
