#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// What a JPEG, which has no alpha, makes of partly transparent pixels.
enum class JpegBackground {
    none,   // their un-premultiplied colour, alpha left out
    white,  // drawn over opaque white
};

// A baseline JPEG (4:2:0, with the bitmap's colour profile and resolution) at a quality of 0–1,
// libjpeg's 75 % without one. Rows go to the encoder in place where they are opaque; only rows
// with transparency are converted, one batch at a time. nullopt for a null bitmap or a failed
// encode.
std::optional<QByteArray> encodeJPEG(const Bitmap& image, std::optional<double> quality, JpegBackground background);

}  // namespace velmaris
