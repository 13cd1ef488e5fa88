#pragma once

#include "model/Bitmap.h"

namespace velmaris {

// The fixed photo looks.
enum class PhotoEffect {
    noir,      // high-contrast black and white
    chrome,    // punchy, saturated colour
    instant,   // faded, warm instant print
    fade,      // washed-out, low contrast
    process,   // cool, cross-processed
    tonal,     // soft black and white
    transfer,  // warm vintage transfer
};

// The look applied to every pixel: a saturation change, then a tone curve per channel. Alpha is kept.
Bitmap photoEffectFilter(const Bitmap& input, PhotoEffect effect);

}  // namespace velmaris
