#include "render/filters/CellGrid.h"

namespace velmaris {

JitteredGrid::JitteredGrid(int width, int height, float spacing, QPointF origin)
    : width_(width), spacing_(spacing), phaseY_(gridPhase(origin.y(), spacing))
{
    const float phaseX = gridPhase(origin.x(), spacing);
    // Cell k along an axis spans [phase + (k - 2) spacing, phase + (k - 1) spacing).
    columns_ = int(std::floor((float(width) - phaseX) / spacing)) + 4;
    rows_ = int(std::floor((float(height) - phaseY_) / spacing)) + 4;
    cellOfColumn_.resize(width);
    for (int x = 0; x < width; ++x)
        cellOfColumn_[x] = int(std::floor((float(x) + 0.5f - phaseX) / spacing)) + 2;
    pointX_.resize(std::size_t(columns_) * rows_);
    pointY_.resize(pointX_.size());
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            const std::size_t i = std::size_t(row) * columns_ + column;
            pointX_[i] = phaseX + (float(column - 2) + 0.2f + 0.6f * cellRandom(column, row, 1)) * spacing;
            pointY_[i] = phaseY_ + (float(row - 2) + 0.2f + 0.6f * cellRandom(column, row, 2)) * spacing;
        }
    }
}

}  // namespace velmaris
