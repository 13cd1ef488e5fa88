#pragma once

#include "model/StoredColor.h"
#include "model/Bitmap.h"

#include <optional>

namespace velmaris {

struct EffectSilhouette {
    Bitmap image;  // the source size grown by `spread` on every side
    int spread = 0;
};

// The image's alpha grown by `dilation` pixels, blurred with a Gaussian of standard deviation
// `blur`, and painted in `color` (alpha = colour alpha × pixel alpha; components clamped to 0–1).
// spread = ceil(d + 3b). nullopt for a null image, a colour or size that is not finite, or when the
// grown image would be too large.
std::optional<EffectSilhouette> makeEffectSilhouette(const Bitmap& image, const StoredColor& color,
                                                     double dilation, double blur);

}  // namespace velmaris
