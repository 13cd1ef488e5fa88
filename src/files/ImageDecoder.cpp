#include "files/ImageDecoder.h"

#include "files/PngColorKey.h"
#include "files/SVGRasterizer.h"
#include "files/TruncatedData.h"

#include <QBuffer>
#include <QImageReader>

namespace velmaris {

namespace {

std::optional<Bitmap> decodeRasterData(const QByteArray& data)
{
    if (rasterDataIsTruncated(data))
        return std::nullopt;
    const std::optional<KeyedPng> keyed = takeSixteenBitRgbColorKey(data);
    QBuffer buffer;
    buffer.setData(keyed ? keyed->withoutKey : data);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    // No format name: a named format is trusted blindly, the content is the better judge.
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kMaxBitmapBytes >> 20));
    // The header's size is checked before any pixels are allocated.
    const QSize size = reader.size();
    if (!size.isValid() || !bitmapSizeAllowed(size.width(), size.height()))
        return std::nullopt;
    QImage image;
    if (!reader.read(&image) || !bitmapSizeAllowed(image.width(), image.height()))
        return std::nullopt;
    if (keyed)
        image = applyColorKey(std::move(image), keyed->key);
    Bitmap bitmap = Bitmap::fromImage(std::move(image));
    if (bitmap.isNull())
        return std::nullopt;
    return bitmap;
}

}  // namespace

std::optional<Bitmap> decodeImageData(const QByteArray& data, ImageType type)
{
    if (type == ImageType::svg)
        return rasterizeSVGData(data);
    return decodeRasterData(data);
}

}  // namespace velmaris
