#include "render/filters/Pixellate.h"

#include "render/filters/CellGrid.h"
#include "render/filters/PixelSampler.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace velmaris {

namespace {

// Beyond twice the longer side every pixel falls into one cell anyway; below 1 the tables explode.
float cellSize(const Bitmap& input, double scale)
{
    return clampedLength(scale, 1.0, 2.0 * std::max(input.width(), input.height()));
}

// Cell k along an axis spans [phase + (k - 1) size, phase + k size), so cell 0 starts before pixel 0.
std::vector<int> cellsAlong(int length, float phase, float size)
{
    std::vector<int> cells(length);
    for (int i = 0; i < length; ++i)
        cells[i] = int(std::floor((float(i) + 0.5f - phase) / size)) + 1;
    return cells;
}

}  // namespace

Bitmap pixellateFilter(const Bitmap& input, double scale, std::optional<QPointF> center)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const float size = cellSize(input, scale);
    const QPointF origin = center.value_or(imageMidpoint(input));
    const float phaseX = gridPhase(origin.x(), size), phaseY = gridPhase(origin.y(), size);
    const std::vector<int> columnOf = cellsAlong(input.width(), phaseX, size);
    const std::vector<int> rowOf = cellsAlong(input.height(), phaseY, size);
    const int columns = columnOf.back() + 1, rows = rowOf.back() + 1;
    const std::vector<Rgba8> colours = sampleColours<SampleEdge::clamp>(input, columns * rows, [&](int i) {
        return QPointF(phaseX + (i % columns - 0.5) * size, phaseY + (i / columns - 0.5) * size);
    });

    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const Rgba8* cells = colours.data() + std::size_t(rowOf[y]) * columns;
            std::uint8_t* out = bits + y * stride;
            for (int x = 0; x < width; ++x)
                std::memcpy(out + 4 * x, cells[columnOf[x]].data(), 4);
        }
    });
    return std::move(*output).build();
}

Bitmap hexagonalPixellateFilter(const Bitmap& input, double scale, std::optional<QPointF> center)
{
    auto output = BitmapBuilder::create(input.width(), input.height());
    if (!output)
        return input;
    const float size = cellSize(input, scale);
    const QPointF origin = center.value_or(imageMidpoint(input));
    // The hexagon centres form two square-ish grids: even lattice rows, and odd ones shifted by half
    // a cell. The nearest centre of the two grids is the pixel's hexagon.
    const float rowStep = size * std::sqrt(3.0f) / 2.0f;
    const float phaseX = gridPhase(origin.x(), size), phaseY = gridPhase(origin.y(), 2.0f * rowStep);
    // Lattice row k lies at phaseY + (k - 2) rowStep; column i at phaseX + (i - 1) size (+ size / 2 on odd rows).
    const int columns = int(std::floor((float(input.width()) - phaseX) / size)) + 3;
    const int rows = int(std::floor((float(input.height()) - phaseY) / rowStep)) + 4;
    auto centreOf = [&](int column, int row) {
        return QPointF(phaseX + (column - 1 + (row % 2) * 0.5) * size, phaseY + (row - 2) * double(rowStep));
    };
    const std::vector<Rgba8> colours = sampleColours<SampleEdge::clamp>(
        input, columns * rows, [&](int i) { return centreOf(i % columns, i / columns); });

    std::uint8_t* bits = output->row(0);
    const qsizetype stride = output->stride();
    const int width = input.width();
    parallelRows(input.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const float py = float(y) + 0.5f - phaseY;
            const int evenRow = std::clamp(2 * int(std::floor(py / (2.0f * rowStep) + 0.5f)) + 2, 0, rows - 1);
            const int oddRow = std::clamp(2 * int(std::floor((py - rowStep) / (2.0f * rowStep) + 0.5f)) + 3, 0, rows - 1);
            const float evenDy = py - float(evenRow - 2) * rowStep, oddDy = py - float(oddRow - 2) * rowStep;
            const Rgba8* evenCells = colours.data() + std::size_t(evenRow) * columns;
            const Rgba8* oddCells = colours.data() + std::size_t(oddRow) * columns;
            std::uint8_t* out = bits + y * stride;
            for (int x = 0; x < width; ++x) {
                const float px = (float(x) + 0.5f - phaseX) / size;
                const int even = std::clamp(int(std::floor(px + 0.5f)) + 1, 0, columns - 1);
                const int odd = std::clamp(int(std::floor(px)) + 1, 0, columns - 1);
                const float evenDx = (px - float(even - 1)) * size, oddDx = (px - float(odd - 1) - 0.5f) * size;
                const bool takeEven = evenDx * evenDx + evenDy * evenDy <= oddDx * oddDx + oddDy * oddDy;
                std::memcpy(out + 4 * x, (takeEven ? evenCells[even] : oddCells[odd]).data(), 4);
            }
        }
    });
    return std::move(*output).build();
}

}  // namespace velmaris
