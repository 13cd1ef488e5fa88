#pragma once

#include "render/AlphaPlane.h"

#include <QImage>
#include <QPoint>

namespace velmaris {

// How the fill bucket chooses its region.
struct RegionSettings {
    int tolerance = 0;        // 0–100: how far, in percent of a full step, a component may differ from the seed's
    bool contiguous = true;   // only pixels connected to the seed (side by side), else every match
    bool antiAliased = false; // a soft rim just outside the region
};

// Coverage (255 inside) of the region of a 32-bit premultiplied image that a fill started at
// `seed` reaches. A pixel matches when each of its four components lies within the tolerance of
// the seed pixel's, so the channel order does not matter. The anti-aliased rim gives the pixels
// bordering the region a partial coverage that falls with their distance from the seed colour:
// half-blended edge pixels get about half. An empty plane when the seed lies outside the image.
AlphaPlane regionCoverage(const QImage& image, QPoint seed, const RegionSettings& settings);

}  // namespace velmaris
