#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace velmaris {

// Limits of deflate's match search that replace those of its level (zlib's deflateTune).
struct DeflateTuning {
    int goodLength;
    int maxLazy;
    int niceLength;
    int maxChain;
};

// One zlib stream of `data` at compression `level`, deflated in fixed bands in parallel. Each band
// starts from the 32 KiB before it as its dictionary and ends on a byte boundary, so the bands join
// into one stream that any inflater reads and that is barely larger than a single-threaded one. The
// bytes do not depend on the number of threads. nullopt when zlib fails.
std::optional<QByteArray> deflateInBands(QByteArrayView data, int level,
                                         std::optional<DeflateTuning> tuning = std::nullopt);

}  // namespace velmaris
