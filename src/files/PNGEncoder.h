#pragma once

#include "model/Bitmap.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace velmaris {

// An 8-bit RGBA PNG of the bitmap with its colour profile, resolution and text. Rows are filtered
// and deflated on every core, and the bytes do not depend on the number of threads. nullopt for a
// null bitmap or when compression fails.
std::optional<QByteArray> encodePNG(const Bitmap& image);

// The scanlines as a PNG stores them before compression: each row is a filter type byte followed by
// the un-premultiplied RGBA bytes under the filter whose output has the smallest sum of absolute
// values (read as signed bytes), which is what makes photographs compress well.
QByteArray filteredPNGRows(const Bitmap& image);

// Limits of deflate's match search that replace those of its level (zlib's deflateTune).
struct DeflateTuning {
    int goodLength;
    int maxLazy;
    int niceLength;
    int maxChain;
};

// One zlib stream of `data` at compression `level`, deflated in fixed bands in parallel. Each band
// starts from the 32 KiB before it as its dictionary and ends on a byte boundary, so the bands join
// into one stream that any inflater reads and that is barely larger than a single-threaded one.
std::optional<QByteArray> deflateInBands(QByteArrayView data, int level,
                                         std::optional<DeflateTuning> tuning = std::nullopt);

}  // namespace velmaris
