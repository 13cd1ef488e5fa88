#include "files/ImageEncoder.h"

#include "files/GIFEncoder.h"
#include "files/TIFFEncoder.h"
#include "files/PNGEncoder.h"

#include <QBuffer>
#include <QImageWriter>

#include <cmath>

namespace velmaris {

namespace {

std::optional<QByteArray> encodeWithQt(const Bitmap& image, ImageType type, std::optional<double> quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, imageTypeExtension(type).toLatin1());
    // Qt reads "quality" as the compression level for other formats; only JPEG takes one here.
    if (quality && type == ImageType::jpeg)
        writer.setQuality(int(std::lround(100 * std::fmax(0.0, std::fmin(1.0, *quality)))));
    if (!writer.write(image.image()))
        return std::nullopt;
    buffer.close();
    return bytes;
}

}  // namespace

std::optional<QByteArray> encodeImageData(const Bitmap& image, ImageType type, std::optional<double> quality)
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
    case ImageType::bmp:
        return encodeWithQt(image, type, quality);
    }
    return std::nullopt;
}

}  // namespace velmaris
