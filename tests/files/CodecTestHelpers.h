#pragma once

#include "TestImages.h"

#include <QPainter>

namespace velmaris::test {

// An image: red in the top-left quarter, blue elsewhere, and a
// transparent bottom-right quarter when asked for.
inline Bitmap quarteredBitmap(int width, int height, bool transparentCorner)
{
    auto builder = BitmapBuilder::create(width, height);
    builder->fill(0, 0, 255, 255);
    QPainter painter(&builder->image());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    if (transparentCorner)
        painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::transparent);
    painter.end();
    return std::move(*builder).build();
}

}  // namespace velmaris::test
