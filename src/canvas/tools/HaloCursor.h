#pragma once

#include <QCursor>

#include <functional>

class QPainter;

namespace velmaris {

// A drawn cursor of side × side pixels that shows on any image: `lines` runs twice, first with a
// wide white pen (the halo) and then with a thinner black one, both with round caps and joins;
// `onTop`, when given, draws last with the pen and brush it sets itself.
QCursor haloCursor(int side, QPoint hotSpot, double haloWidth, double lineWidth,
                   const std::function<void(QPainter&)>& lines, const std::function<void(QPainter&)>& onTop = {});

}  // namespace velmaris
