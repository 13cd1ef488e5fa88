#pragma once

#include "files/ImageType.h"
#include "model/Bitmap.h"
#include "model/ImageMetadata.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace velmaris {

// HEIF (HEIC), AVIF, WebP and JPEG XL: the photo formats read and written through their own
// libraries rather than Qt's image I/O.

// The photo type the data's signature names (the ftyp brands of HEIF and AVIF, RIFF "WEBP", the
// JPEG XL codestream and container signatures), or nullopt.
std::optional<ImageType> photoTypeOf(const QByteArray& data);
// The upright size the file's headers declare, without decoding pixels; nullopt for other data,
// an unreadable header or a size over the bitmap limits.
std::optional<QSize> declaredPhotoSize(const QByteArray& data);
// The image, upright and in sRGB; nullopt for other or unreadable data. Declared sizes over the
// bitmap limits are refused before decoding.
std::optional<Bitmap> decodePhoto(const QByteArray& data);

// How many declared pixels a second the data's decoder is given by the decode helper's clock, with
// room for a busy machine: HEVC and AV1 (HEIC, AVIF) decode ten times slower than JPEG or PNG,
// WebP and JPEG XL in between.
double decodePixelsPerSecond(const QByteArray& data);

inline constexpr bool isPhotoType(ImageType type)
{
    return type == ImageType::heif || type == ImageType::avif || type == ImageType::webp || type == ImageType::jxl;
}

// The quality when none is given (0–1, as the export panel's).
inline constexpr double kPhotoDefaultQuality = 0.9;
// Encodes as a photo type with the metadata embedded. WebP and JPEG XL at quality 1 are lossless;
// HEIF and AVIF are always lossy.
std::optional<QByteArray> encodePhoto(const Bitmap& image, ImageType type, std::optional<double> quality,
                                      const ImageMetadata& metadata = {});
// Why the type cannot be written on this system (its encoder is not installed), or nullopt.
std::optional<QString> photoEncoderMissing(ImageType type);

}  // namespace velmaris
