#include "files/RasterImageReader.h"

#include "files/PNGDecoder.h"
#include "files/PngColorKey.h"
#include "files/TruncatedData.h"

#include <QBuffer>
#include <QImageReader>

namespace velmaris {

std::optional<QImage> readRasterImage(const QByteArray& data, QImage into)
{
    const std::optional<QByteArray> format = rasterFormatName(data);
    if (!format || rasterDataIsTruncated(data))
        return std::nullopt;
    const std::optional<KeyedPng> keyed = takeSixteenBitRgbColorKey(data);
    QBuffer buffer;
    buffer.setData(keyed ? keyed->withoutKey : data);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Only the signature's own reader: Qt would otherwise try every plugin it has on the data.
    QImageReader reader(&buffer, *format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kMaxBitmapBytes >> 20));
    // The header's size is checked before any pixels are allocated.
    const QSize size = reader.size();
    if (!size.isValid() || !bitmapSizeAllowed(size.width(), size.height()))
        return std::nullopt;
    QImage image = std::move(into);
    if (!reader.read(&image) || !bitmapSizeAllowed(image.width(), image.height()))
        return std::nullopt;
    if (keyed)
        image = applyColorKey(std::move(image), keyed->key);
    return image;
}

std::optional<Bitmap> decodeRasterData(const QByteArray& data)
{
    // The fast reader declines anything it would not read exactly as Qt does.
    if (std::optional<Bitmap> png = decodeLayerPNG(data))
        return png;
    std::optional<QImage> image = readRasterImage(data);
    if (!image)
        return std::nullopt;
    Bitmap bitmap = Bitmap::fromImage(std::move(*image));
    if (bitmap.isNull())
        return std::nullopt;
    return bitmap;
}

std::optional<QByteArray> rasterFormatName(const QByteArray& data)
{
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return QByteArrayLiteral("png");
    if (data.startsWith("\xFF\xD8\xFF"))
        return QByteArrayLiteral("jpeg");
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return QByteArrayLiteral("gif");
    if (data.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    if (data.startsWith(QByteArrayView("II*\0", 4)) || data.startsWith(QByteArrayView("MM\0*", 4)))
        return QByteArrayLiteral("tiff");
    return std::nullopt;
}

QString unreadableFormatReason()
{
    return QStringLiteral("PNG, JPEG, GIF, BMP, TIFF, SVG, HEIF, AVIF, WebP and JPEG XL are the image types read");
}

}  // namespace velmaris
