#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// The bytes of a document saved in a flat type: SVG as the wrapper, JPEG and BMP flattened on
// white, PNG, GIF and TIFF with their transparency. `quality` (0–1) applies to lossy types;
// `metadata` is as encodeImageData's.
std::optional<QByteArray> writeFlatDocument(const Bitmap& composite, ImageType type,
                                            std::optional<double> quality = std::nullopt,
                                            const ImageMetadata& metadata = {});

}  // namespace velmaris
