#include "render/Orientation.h"

#include "render/Parallel.h"
#include "render/VectorLoop.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace velmaris {

namespace {

// Output tiles of this many pixels square keep the source rows a turn walks down within the cache.
constexpr int kTile = 64;

// Where output pixel (0, 0) is read from, and how far the source address moves (in bytes) for one
// step right and one step down in the output.
struct SourceWalk {
    const std::uint8_t* origin;
    qsizetype stepX;
    qsizetype stepY;
};

void reversePixels(const std::uint32_t* __restrict last, std::uint32_t* __restrict target, int count)
{
    forEachIndex(count, [&](int x) { target[x] = *(last - x); });
}

// Mirrors: every output row is one source row, forwards or backwards.
void copyRows(const SourceWalk& walk, BitmapBuilder& target)
{
    const int width = target.width();
    parallelRows(target.height(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const std::uint8_t* source = walk.origin + y * walk.stepY;
            if (walk.stepX > 0)
                std::memcpy(target.row(y), source, std::size_t(width) * 4);
            else
                reversePixels(reinterpret_cast<const std::uint32_t*>(source),
                              reinterpret_cast<std::uint32_t*>(target.row(y)), width);
        }
    });
}

// Quarter turns: an output row is a source column, so the work goes tile by tile.
void copyTiles(const SourceWalk& walk, BitmapBuilder& target)
{
    const int width = target.width();
    parallelRows(
        target.height(),
        [&](int firstRow, int endRow) {
            for (int tileTop = firstRow; tileTop < endRow; tileTop += kTile) {
                const int tileBottom = std::min(tileTop + kTile, endRow);
                for (int tileLeft = 0; tileLeft < width; tileLeft += kTile) {
                    const int tileRight = std::min(tileLeft + kTile, width);
                    for (int y = tileTop; y < tileBottom; ++y) {
                        const std::uint8_t* source = walk.origin + y * walk.stepY + tileLeft * walk.stepX;
                        std::uint8_t* out = target.row(y) + 4 * tileLeft;
                        for (int x = 0; x < tileRight - tileLeft; ++x)
                            std::memcpy(out + 4 * x, source + x * walk.stepX, 4);
                    }
                }
            }
        },
        kTile);
}

Bitmap remapped(int width, int height, const SourceWalk& walk)
{
    auto builder = BitmapBuilder::create(width, height);
    if (!builder)
        return {};
    if (walk.stepX == 4 || walk.stepX == -4)
        copyRows(walk, *builder);
    else
        copyTiles(walk, *builder);
    return std::move(*builder).build();
}

const std::uint8_t* pixelAddress(const Bitmap& image, int x, int y)
{
    return image.row(y) + 4 * x;
}

}  // namespace

Bitmap rotatedQuarterTurns(const Bitmap& image, int quarterTurns)
{
    if (image.isNull())
        return {};
    const int w = image.width(), h = image.height();
    const qsizetype stride = image.stride();
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1:  // output (x, y) ← source (y, h − 1 − x)
        return remapped(h, w, {pixelAddress(image, 0, h - 1), -stride, 4});
    case 2:
        return mirrored(image, true, true);
    case 3:  // output (x, y) ← source (w − 1 − y, x)
        return remapped(h, w, {pixelAddress(image, w - 1, 0), stride, -4});
    default:
        return image;
    }
}

Bitmap mirrored(const Bitmap& image, bool horizontally, bool vertically)
{
    if (image.isNull() || (!horizontally && !vertically))
        return image;
    const int w = image.width(), h = image.height();
    const qsizetype stride = image.stride();
    return remapped(w, h,
                    {pixelAddress(image, horizontally ? w - 1 : 0, vertically ? h - 1 : 0), horizontally ? -4 : 4,
                     vertically ? -stride : stride});
}

}  // namespace velmaris
