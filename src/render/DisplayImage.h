#pragma once

#include "model/Bitmap.h"

#include <QImage>

namespace velmaris {

// The pixel format QPainter draws onto a window without converting each frame.
inline constexpr QImage::Format kDisplayFormat = QImage::Format_ARGB32_Premultiplied;

// The bitmap's pixels in kDisplayFormat, converted on every core. Null for a null bitmap or when
// the image cannot be allocated.
QImage displayImage(const Bitmap& bitmap);

}  // namespace velmaris
