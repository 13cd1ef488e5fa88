#pragma once

#include "canvas/SelectionGeometry.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace velmaris {

// Drawing helpers for the canvas's adornments. The painter maps canvas units to the screen; `point`
// is one screen point in canvas units, so everything keeps its screen size at every zoom.

// White ground with grey squares of 8 points, alternate rows shifted by one square, anchored at the
// canvas's top-left corner; only inside canvas ∩ area.
void drawCheckerboard(QPainter& painter, const QRectF& canvas, const QRectF& area, double point);

// The marching ants: black and white dashes of 5 points crawling with `phase`.
void drawMarchingAnts(QPainter& painter, const QPainterPath& path, double phase, double point);

// A dashed outline of `rect` in `color`, the outline of a selected layer.
void drawLayerOutline(QPainter& painter, const QRectF& rect, const QColor& color, double point);

// A white square of 8 points with a black edge, centred on `centre`.
void drawHandle(QPainter& painter, QPointF centre, double point);

// A short message on a dark rounded label in the middle of `area`, with a painter that maps
// screen pixels (not canvas units).
void drawCenteredNote(QPainter& painter, const QRectF& area, const QString& text);

}  // namespace velmaris
