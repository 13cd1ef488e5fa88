#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// A TIFF of the bitmap's premultiplied RGBA (associated alpha), losslessly compressed: deflate
// with the horizontal predictor, strips compressed in parallel. nullopt for a null bitmap or a
// failed encode.
std::optional<QByteArray> encodeTIFF(const Bitmap& image);

}  // namespace velmaris
