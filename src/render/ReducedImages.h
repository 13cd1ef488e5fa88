#pragma once

#include <QImage>
#include <QVector>

namespace velmaris {

// The image halved again and again by averaging 2 × 2 blocks (the odd last row or column folds
// into its neighbour), until a side would drop below `smallestSide` or `levels` halvings are made.
// Level i is 1 / 2^(i+1) of the original. For premultiplied 32-bit images (either byte order).
QVector<QImage> halvedImages(const QImage& image, int levels, int smallestSide = 1);

// Which halving suits drawing at `magnification`: the smallest image still at least as large as
// the screen needs; 0 means the original.
int reductionLevelFor(double magnification, int available);

}  // namespace velmaris
