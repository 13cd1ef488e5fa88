#include "render/ReducedImages.h"

#include "render/Parallel.h"

#include <cmath>
#include <cstdint>

namespace velmaris {

namespace {

QImage halved(const QImage& source)
{
    const int width = std::max(source.width() / 2, 1), height = std::max(source.height() / 2, 1);
    QImage target(width, height, source.format());
    if (target.isNull())
        return target;
    const int sourceWidth = source.width(), sourceHeight = source.height();
    parallelRows(height, [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const int top = std::min(2 * y, sourceHeight - 1);
            const int bottom = std::min(2 * y + 1, sourceHeight - 1);
            const std::uint8_t* above = source.constScanLine(top);
            const std::uint8_t* below = source.constScanLine(bottom);
            std::uint8_t* out = target.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const int left = 4 * std::min(2 * x, sourceWidth - 1);
                const int right = 4 * std::min(2 * x + 1, sourceWidth - 1);
                for (int c = 0; c < 4; ++c)
                    out[4 * x + c] = std::uint8_t(
                        (above[left + c] + above[right + c] + below[left + c] + below[right + c] + 2) >> 2);
            }
        }
    });
    return target;
}

}  // namespace

QVector<QImage> halvedImages(const QImage& image, int levels, int smallestSide)
{
    QVector<QImage> result;
    const QImage* current = &image;
    for (int level = 0; level < levels; ++level) {
        if (current->width() / 2 < smallestSide || current->height() / 2 < smallestSide)
            break;
        QImage next = halved(*current);
        if (next.isNull())
            break;
        result.append(std::move(next));
        current = &result.last();
    }
    return result;
}

int reductionLevelFor(double magnification, int available)
{
    if (!(magnification > 0) || magnification >= 1)
        return 0;
    return std::min(int(std::floor(std::log2(1 / magnification))), available);
}

}  // namespace velmaris
