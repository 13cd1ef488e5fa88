#pragma once

#include "model/LruCache.h"
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

class RenderCancellation;

// makeEffectSilhouette remembered per source bitmap (by identity: the entry holds the bitmap, so its
// address cannot be reused by another one while remembered) and effect values. Moving a layer or
// changing the selection therefore blurs nothing again. A silhouette made while `cancellation`
// fired is incomplete: it is returned for the caller to throw away, and not remembered.
std::optional<EffectSilhouette> cachedEffectSilhouette(const Bitmap& image, const StoredColor& color,
                                                       double dilation, double blur,
                                                       const RenderCancellation* cancellation = nullptr);

void clearEffectSilhouetteCache();
CacheCounts effectSilhouetteCacheCounts();

}  // namespace velmaris
