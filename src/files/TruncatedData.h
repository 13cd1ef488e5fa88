#pragma once

#include <QByteArray>

namespace velmaris {

// Whether JPEG, GIF or BMP data stops before its first image is complete. Qt's decoders for these
// quietly return a partly grey or empty image for such files; a cut-off file should not open.
// False for anything else (PNG and TIFF decoders report truncation themselves).
bool rasterDataIsTruncated(const QByteArray& data);

}  // namespace velmaris
