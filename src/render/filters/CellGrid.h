#pragma once

#include <QPointF>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace velmaris {

// Where a periodic grid starts along an axis: `origin` reduced into [0, period), so that far-off
// centres cannot overflow cell indices.
inline float gridPhase(double origin, float period)
{
    if (!std::isfinite(origin))
        return 0.0f;
    const double phase = std::fmod(origin, double(period));
    return float(phase < 0.0 ? phase + period : phase);
}

// A uniform number in [0, 1) fixed by a cell and a salt: the filters' only source of randomness,
// so results never depend on threads or runs.
inline float cellRandom(std::uint32_t column, std::uint32_t row, std::uint32_t salt)
{
    std::uint32_t h = column * 0x8da6b343u ^ row * 0xd8163841u ^ salt * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return float(h >> 8) * (1.0f / 16777216.0f);
}

// One point per square cell of side `spacing`, jittered inside the middle 60 % of its cell. That
// margin keeps every pixel's nearest point within the 3 × 3 cells around it. The cells cover the
// image with two cells to spare on each side; cell corners are aligned on `origin`.
class JitteredGrid {
public:
    JitteredGrid(int width, int height, float spacing, QPointF origin);

    int count() const { return columns_ * rows_; }
    QPointF point(int index) const { return {pointX_[index], pointY_[index]}; }

    // Calls visit(x, index, distanceSquared) for each pixel of row y with its nearest point.
    template <typename Visit>
    void nearestAlongRow(int y, Visit&& visit) const;

private:
    int width_;
    float spacing_;
    float phaseY_;
    int columns_;
    int rows_;
    std::vector<int> cellOfColumn_;
    std::vector<float> pointX_;
    std::vector<float> pointY_;
};

template <typename Visit>
void JitteredGrid::nearestAlongRow(int y, Visit&& visit) const
{
    const float py = float(y) + 0.5f;
    const int row = int(std::floor((py - phaseY_) / spacing_)) + 2;
    for (int x = 0; x < width_;) {
        const int column = cellOfColumn_[x];
        int end = x;
        while (end < width_ && cellOfColumn_[end] == column)
            ++end;
        int index[9];
        float candidateX[9], distanceY[9];
        for (int k = 0; k < 9; ++k) {
            index[k] = (row - 1 + k / 3) * columns_ + column - 1 + k % 3;
            candidateX[k] = pointX_[index[k]];
            distanceY[k] = (py - pointY_[index[k]]) * (py - pointY_[index[k]]);
        }
        for (; x < end; ++x) {
            const float px = float(x) + 0.5f;
            float best = std::numeric_limits<float>::infinity();
            int bestK = 0;
            for (int k = 0; k < 9; ++k) {
                const float d = (px - candidateX[k]) * (px - candidateX[k]) + distanceY[k];
                if (d < best) {
                    best = d;
                    bestK = k;
                }
            }
            visit(x, index[bestK], best);
        }
    }
}

}  // namespace velmaris
