#pragma once

#include "model/Bitmap.h"

#include <QByteArray>

namespace velmaris {

// The scanlines as a PNG stores them before compression: each row is a filter type byte followed by
// the un-premultiplied RGBA bytes under the filter whose output has the smallest sum of absolute
// values (read as signed bytes), which is what makes photographs compress well. Rows are filtered
// on every core. Empty for a null bitmap.
QByteArray filteredPNGRows(const Bitmap& image);

}  // namespace velmaris
