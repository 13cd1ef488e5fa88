#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// Edge-aware noise reduction over 3 × 3 neighbourhoods: neighbours whose luma differs from the
// pixel's by less than noiseLevel (0–1 of full scale) are averaged in, smoothing noise; where the
// neighbours differ by more (edges) the pixel is sharpened by sharpness × (pixel − local mean).
Bitmap noiseReductionFilter(const Bitmap& input, double noiseLevel, double sharpness);

}  // namespace velmaris
