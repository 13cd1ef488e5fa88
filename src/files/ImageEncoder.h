#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// Encodes a bitmap as one image of a raster type. The quality (0–1) affects JPEG and the photo
// types (PhotoFormat.h: WebP and JPEG XL are lossless at 1). Formats
// without alpha get the pixels as they are (JPEG their un-premultiplied colours): flattening is
// writeFlatDocument's. nullopt for a null bitmap, a failed encode, or SVG (written by makeSVGWrapper
// instead). `metadata`, prepared by metadataForEncoder, is embedded by the photo types' encoders.
std::optional<QByteArray> encodeImageData(const Bitmap& image, ImageType type,
                                          std::optional<double> quality = std::nullopt,
                                          const ImageMetadata& metadata = {});

}  // namespace velmaris
