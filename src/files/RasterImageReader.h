#pragma once

#include "model/Bitmap.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace velmaris {

// PNG, JPEG, GIF, BMP or TIFF data as its signature names it, upright and converted to the bitmap
// format: PNGs that the fast layer reader takes go through it, the rest through Qt's readers.
// nullopt for unreadable, truncated or oversized data and for any other format.
std::optional<Bitmap> decodeRasterData(const QByteArray& data);

// The first image of raster data as Qt reads it (upright, colour key applied), not yet brought
// into the bitmap format; nullopt where decodeRasterData() gives nullopt. For callers that convert
// into memory of their own (the decode helper): a reader whose image has the size and format of
// `into` (Qt's JPEG and PNG readers) decodes into its pixels rather than allocating new ones.
std::optional<QImage> readRasterImage(const QByteArray& data, QImage into = {});

// The Qt format name of the raster format the data's signature names ("png", "jpeg", "gif",
// "bmp", "tiff"), or nullopt for any other data.
std::optional<QByteArray> rasterFormatName(const QByteArray& data);
// Why data of another format is refused.
QString unreadableFormatReason();

}  // namespace velmaris
