#pragma once

#include <QVector>

#include <array>
#include <optional>

namespace velmaris {

inline constexpr double kSnapDistance = 6;  // screen points

struct Snap {
    double offset = 0;
    std::optional<double> line;  // the guide the edge snapped to
};

// The nearest target within `threshold` of any of the edges (min, mid, max), as the offset that
// moves the edge onto it. Ties keep the earlier edge, then the earlier target.
Snap snapOffset(const std::array<double, 3>& edges, const QVector<double>& targets, double threshold);

}  // namespace velmaris
