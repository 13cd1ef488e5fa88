#include "render/ContentBounds.h"

#include "render/Parallel.h"

#include <algorithm>
#include <vector>

namespace velmaris {

namespace {

bool isTransparent(const std::uint8_t* row, int x)
{
    return row[4 * x + 3] == 0;
}

}  // namespace

std::optional<QRect> contentBounds(const Bitmap& bitmap)
{
    const int width = bitmap.width(), height = bitmap.height();
    // Per row the first and last pixel with some alpha; -1 for a row without any. Borders are
    // found from each end, so a row with content near both edges costs only a few pixels.
    std::vector<int> first(std::size_t(std::max(height, 0)), -1), last(first.size(), -1);
    parallelRows(height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const std::uint8_t* row = bitmap.row(y);
            int left = 0;
            while (left < width && isTransparent(row, left))
                ++left;
            if (left == width)
                continue;
            int right = width - 1;
            while (isTransparent(row, right))
                --right;
            first[y] = left;
            last[y] = right;
        }
    });
    const auto hasContent = [&](int y) { return last[y] >= 0; };
    int top = 0;
    while (top < height && !hasContent(top))
        ++top;
    if (top == height)
        return std::nullopt;
    int bottom = height - 1;
    while (!hasContent(bottom))
        --bottom;
    int left = width, right = -1;
    for (int y = top; y <= bottom; ++y) {
        if (!hasContent(y))
            continue;
        left = std::min(left, first[y]);
        right = std::max(right, last[y]);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace velmaris
