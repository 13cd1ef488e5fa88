#pragma once

#include "render/AlphaPlane.h"
#include "model/Bitmap.h"

namespace velmaris {

// What lies beyond the image edge: transparent pixels, or the edge pixels repeated.
enum class BlurEdge { transparent, clamp };

// Gaussian blur of standard deviation `sigma` pixels, in place, on premultiplied RGBA8.
// sigma <= 0 leaves the image unchanged. The cost does not grow with sigma for large sigmas.
void gaussianBlur(BitmapBuilder& image, double sigma, BlurEdge edge);
void gaussianBlur(AlphaPlane& plane, double sigma, BlurEdge edge);

}  // namespace velmaris
