#pragma once

#include "files/ImageType.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QSize>

#include <optional>

namespace velmaris {

// The largest EXIF block, XMP packet or colour profile kept; a larger one is dropped when read.
inline constexpr qsizetype kMaxMetadataBlockBytes = qsizetype(16) << 20;

// The EXIF, XMP and colour profile an image file (JPEG, PNG, TIFF, WebP, HEIF, AVIF) carries. EXIF
// and XMP come back re-encoded from what the parser understood, so a malformed block (offsets that
// loop, counts past its end) is shortened or dropped; EXIF loses the tags that describe the file's
// own pixel layout and the thumbnail. Whatever cannot be read is left empty; never throws. The data
// is hostile: only the decode helper calls this on a file's bytes.
ImageMetadata readImageMetadata(const QByteArray& data);

// Kept metadata made fit to go with upright sRGB pixels of `pixelSize`: orientation upright, pixel
// sizes set where the block has them, no thumbnail, and the colour profile only when it describes
// sRGB (the pixels were converted from any other on reading). With `removeLocation`, no GPS data
// and no XMP location properties. Every writer that embeds metadata prepares it through this.
ImageMetadata metadataForWriting(const ImageMetadata& kept, QSize pixelSize, bool removeLocation);

// Whether files of the type can carry metadata: JPEG, PNG, TIFF, HEIF, AVIF, WebP and JPEG XL.
bool typeHoldsMetadata(ImageType type);

// The metadata an encoder of `type` embeds as it writes: the kept metadata prepared for HEIF, AVIF,
// WebP and JPEG XL, whose libraries take it with the pixels; nothing for the other types, which
// withKeptMetadata writes into afterwards.
ImageMetadata metadataForEncoder(ImageType type, const ImageMetadata& kept, QSize pixelSize, bool removeLocation);

// Encoded JPEG, PNG or TIFF bytes with prepared metadata written in (a profile, when the metadata
// has one, replaces the encoder's); nullopt when they cannot be written.
std::optional<QByteArray> embedImageMetadata(const QByteArray& encoded, const ImageMetadata& prepared);

// A writer's last step: the encoded bytes of JPEG, PNG or TIFF with the kept metadata prepared and
// embedded. Other types (their encoders embed metadataForEncoder's), documents without metadata and a failed embedding give the bytes as they
// are: the picture is written even when its metadata cannot be.
QByteArray withKeptMetadata(QByteArray encoded, ImageType type, const ImageMetadata& kept, QSize pixelSize,
                            bool removeLocation);

}  // namespace velmaris
