#include "files/ImageEncoder.h"

#include "files/GIFEncoder.h"
#include "files/JPEGEncoder.h"
#include "files/PhotoFormat.h"
#include "files/TIFFEncoder.h"
#include "files/PNGEncoder.h"

#include <QBuffer>
#include <QImageWriter>

namespace velmaris {

namespace {

std::optional<QByteArray> encodeWithQt(const Bitmap& image, ImageType type)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, imageTypeExtension(type).toLatin1());
    if (!writer.write(image.image()))
        return std::nullopt;
    buffer.close();
    return bytes;
}

}  // namespace

std::optional<QByteArray> encodeImageData(const Bitmap& image, ImageType type, std::optional<double> quality,
                                          const ImageMetadata& metadata)
{
    if (image.isNull())
        return std::nullopt;
    switch (type) {
    case ImageType::svg:
        return std::nullopt;
    case ImageType::gif:
        return encodeGIF(image);
    // Qt writes TIFF uncompressed (48 MB for 12 megapixels) or with a slow LZW that hardly packs
    // photographs.
    case ImageType::tiff:
        return encodeTIFF(image);
    case ImageType::png:
        // Our own writer deflates on every core, which documents of several full-size layers need.
        return encodePNG(image);
    case ImageType::jpeg:
        return encodeJPEG(image, quality, JpegBackground::none);
    case ImageType::bmp:
        return encodeWithQt(image, type);
    case ImageType::heif:
    case ImageType::avif:
    case ImageType::webp:
    case ImageType::jxl:
        return encodePhoto(image, type, quality, metadata);
    }
    return std::nullopt;
}

}  // namespace velmaris
