#include "files/PhotoFormat.h"

#include "files/HEIFCodec.h"
#include "files/JXLCodec.h"
#include "files/WebPCodec.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace velmaris {

namespace {

// The HEIF kind the file's ftyp box names by its major and compatible brands: AV1-coded when any
// brand says AVIF, else HEVC-coded or generic HEIF.
std::optional<ImageType> heifTypeOf(const QByteArray& data)
{
    if (data.size() < 16 || data.mid(4, 4) != "ftyp")
        return std::nullopt;
    const qsizetype boxSize = std::min<qsizetype>(qFromBigEndian<quint32>(data.constData()), data.size());
    bool heif = false;
    for (qsizetype at = 8; at + 4 <= boxSize; at += 4) {
        if (at == 12)
            continue;  // the minor version
        const QByteArrayView brand(data.constData() + at, 4);
        if (brand == "avif" || brand == "avis")
            return ImageType::avif;
        heif = heif || brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" || brand == "hevc"
            || brand == "hevx" || brand == "mif1" || brand == "msf1";
    }
    return heif ? std::optional(ImageType::heif) : std::nullopt;
}

std::optional<int> lossyQuality(std::optional<double> quality)
{
    const double value = std::clamp(quality.value_or(kPhotoDefaultQuality), 0.0, 1.0);
    if (value >= 1.0)
        return std::nullopt;
    return int(std::lround(value * 100));
}

}  // namespace

std::optional<ImageType> photoTypeOf(const QByteArray& data)
{
    if (data.startsWith("\xFF\x0A") || data.startsWith(QByteArrayView("\0\0\0\x0CJXL \r\n\x87\n", 12)))
        return ImageType::jxl;
    if (data.size() >= 12 && data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        return ImageType::webp;
    return heifTypeOf(data);
}

double decodePixelsPerSecond(const QByteArray& data)
{
    switch (photoTypeOf(data).value_or(ImageType::png)) {
    case ImageType::heif:
    case ImageType::avif: return 4e6;
    case ImageType::webp:
    case ImageType::jxl: return 15e6;
    default: return 50e6;
    }
}

std::optional<QSize> declaredPhotoSize(const QByteArray& data)
{
    switch (photoTypeOf(data).value_or(ImageType::png)) {
    case ImageType::heif:
    case ImageType::avif: return declaredHEIFSize(data);
    case ImageType::webp: return declaredWebPSize(data);
    case ImageType::jxl: return declaredJXLSize(data);
    default: return std::nullopt;
    }
}

std::optional<Bitmap> decodePhoto(const QByteArray& data)
{
    switch (photoTypeOf(data).value_or(ImageType::png)) {
    case ImageType::heif:
    case ImageType::avif: return decodeHEIF(data);
    case ImageType::webp: return decodeWebP(data);
    case ImageType::jxl: return decodeJXL(data);
    default: return std::nullopt;
    }
}

std::optional<QByteArray> encodePhoto(const Bitmap& image, ImageType type, std::optional<double> quality,
                                      const ImageMetadata& metadata)
{
    switch (type) {
    case ImageType::heif:
    case ImageType::avif: {
        const int heifQuality = int(std::lround(std::clamp(quality.value_or(kPhotoDefaultQuality), 0.0, 1.0) * 100));
        return encodeHEIF(image, type == ImageType::heif ? HEIFCompression::hevc : HEIFCompression::av1, heifQuality,
                          metadata);
    }
    case ImageType::webp: return encodeWebP(image, lossyQuality(quality), metadata);
    case ImageType::jxl: return encodeJXL(image, lossyQuality(quality), metadata);
    default: return std::nullopt;
    }
}

std::optional<QString> photoEncoderMissing(ImageType type)
{
    if (type == ImageType::heif)
        return heifEncoderMissing(HEIFCompression::hevc);
    if (type == ImageType::avif)
        return heifEncoderMissing(HEIFCompression::av1);
    return std::nullopt;
}

}  // namespace velmaris
