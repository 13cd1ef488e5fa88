#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"

#include <QByteArray>

#include <optional>

namespace velmaris {

// Decodes the first image of a file: SVG when the type says so, else PNG, JPEG, GIF, BMP, TIFF,
// HEIF, AVIF, WebP or JPEG XL as the content's signature says (the type is only a hint there). Turned upright by its EXIF
// orientation, converted to sRGB. nullopt for unreadable, truncated or oversized data and for any
// other format, even one a Qt plugin could read. Runs in this process without limits on time or
// memory: untrusted data goes through the decode helper (DecodeHelper.h).
std::optional<Bitmap> decodeImageData(const QByteArray& data, ImageType type);

// The first image of raster data as Qt reads it (upright, colour key applied), not yet brought
// into the bitmap format; nullopt where decodeImageData() gives nullopt. For callers that convert
// into memory of their own (the decode helper): a reader whose image has the size and format of
// `into` (Qt's JPEG and PNG readers) decodes into its pixels rather than allocating new ones.
std::optional<QImage> readRasterImage(const QByteArray& data, QImage into = {});

// The Qt format name of the raster format the data's signature names ("png", "jpeg", "gif",
// "bmp", "tiff"), or nullopt for any other data.
std::optional<QByteArray> rasterFormatName(const QByteArray& data);
// Why data of another format is refused.
QString unreadableFormatReason();

}  // namespace velmaris
