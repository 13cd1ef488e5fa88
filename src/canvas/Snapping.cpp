#include "canvas/Snapping.h"

#include <cmath>

namespace velmaris {

Snap snapOffset(const std::array<double, 3>& edges, const QVector<double>& targets, double threshold)
{
    Snap best;
    for (double edge : edges) {
        for (double target : targets) {
            const double distance = std::abs(target - edge);
            if (distance <= threshold && (!best.line || distance < std::abs(best.offset)))
                best = Snap{target - edge, target};
        }
    }
    return best;
}

}  // namespace velmaris
