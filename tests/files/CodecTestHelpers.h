#pragma once

#include "TestImages.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace velmaris::test {

// The largest difference of any channel.
inline int channelDistance(Rgba a, Rgba b)
{
    int distance = 0;
    for (int c = 0; c < 4; ++c)
        distance = std::max(distance, std::abs(int(a[c]) - int(b[c])));
    return distance;
}

// The largest channel difference over all pixels; INT_MAX when the sizes differ.
inline int bitmapDistance(const Bitmap& a, const Bitmap& b)
{
    if (a.size() != b.size())
        return INT_MAX;
    int distance = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            distance = std::max(distance, channelDistance(pixelAt(a, x, y), pixelAt(b, x, y)));
    return distance;
}

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
