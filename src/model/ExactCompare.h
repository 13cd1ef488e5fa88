#pragma once

#include <QPointF>
#include <QSizeF>

namespace velmaris {

// Qt's == on points and sizes is fuzzy; model values compare their doubles exactly.
inline bool exactlyEqual(QPointF a, QPointF b)
{
    return a.x() == b.x() && a.y() == b.y();
}

inline bool exactlyEqual(QSizeF a, QSizeF b)
{
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace velmaris
