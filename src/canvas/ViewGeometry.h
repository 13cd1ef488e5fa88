#pragma once

#include "model/CanvasState.h"

#include <QRectF>
#include <QSizeF>
#include <QVector>

#include <optional>

namespace velmaris {

inline constexpr double kMinMagnification = 0.05;
inline constexpr double kMaxMagnification = 32;
inline constexpr double kZoomStep = 1.5;

// Canvas units of one screen point: adornments drawn in these units keep their size on screen.
// Magnifications below the minimum count as the minimum.
double pointSize(double magnification);
double clampedMagnification(double magnification);

// The magnification that shows the whole canvas in `viewport` (screen points) with a 5 % margin;
// nothing for an empty canvas.
std::optional<double> fitMagnification(QSizeF canvasSize, QSizeF viewport);

// The offset of the canvas in a viewport of its zoomed size or larger: centred on an axis where
// it is smaller, else scrolled to `scroll` (screen points).
double centredOffset(double zoomedLength, double viewportLength, double scroll);

// The area the selection outline occupies: the selection outset by max(2, 8 points).
QRectF selectionOutlineArea(const QRectF& selection, double pointSize);

// What to redraw when the marching ants move within `outline`: thin strips along its edges where
// they suffice, the border strips of the view for an inverted selection, the whole area otherwise.
QVector<QRectF> antsInvalidation(const QRectF& outline, SelectionShape shape, bool inverted, QSizeF viewSize,
                                 double pointSize);

// Half the width of the strip redrawn around a snap guide.
double snapGuideHalfWidth(double magnification);

}  // namespace velmaris
