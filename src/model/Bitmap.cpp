#include "model/Bitmap.h"

#include <QColorSpace>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace velmaris {

bool bitmapSizeAllowed(qint64 width, qint64 height)
{
    return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide
        && width * height * 4 <= kMaxBitmapBytes;
}

namespace {

// Brings an image into the bitmap format: sRGB colours, premultiplied RGBA8.
QImage normalized(QImage image)
{
    if (image.isNull())
        return image;
    const QColorSpace srgb(QColorSpace::SRgb);
    if (image.colorSpace().isValid() && image.colorSpace() != srgb) {
        // Indexed and low-depth formats cannot be converted in place.
        if (image.depth() < 32)
            image = image.convertToFormat(QImage::Format_ARGB32);
        image.convertToColorSpace(srgb);
    }
    if (image.format() != kBitmapFormat)
        image = image.convertToFormat(kBitmapFormat);
    image.setColorSpace(srgb);
    return image;
}

}  // namespace

Bitmap Bitmap::fromImage(QImage image)
{
    image = normalized(std::move(image));
    if (image.isNull())
        return {};
    return Bitmap(std::make_shared<const QImage>(std::move(image)));
}

const QImage& Bitmap::nullImage()
{
    static const QImage null;
    return null;
}

namespace {

// Large images sit on huge pages where the system offers them: the first touch of 48 MB of fresh
// small pages costs several times a copy of the image.
constexpr qsizetype kHugePage = qsizetype(2) << 20;

QImage hugePageImage(int width, int height)
{
#ifdef __linux__
    const qsizetype stride = 4 * qsizetype(width);
    const qsizetype bytes = (stride * height + kHugePage - 1) / kHugePage * kHugePage;
    if (bytes < 2 * kHugePage)
        return {};
    void* memory = std::aligned_alloc(std::size_t(kHugePage), std::size_t(bytes));
    if (!memory)
        return {};
    // Advice only: without huge pages the memory works as usual.
    madvise(memory, std::size_t(bytes), MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(memory), width, height, stride, kBitmapFormat, std::free, memory);
#else
    Q_UNUSED(width);
    Q_UNUSED(height);
    return {};
#endif
}

}  // namespace

std::optional<BitmapBuilder> BitmapBuilder::create(int width, int height)
{
    std::optional<BitmapBuilder> builder = createUninitialized(width, height);
    if (builder)
        builder->image_.fill(Qt::transparent);
    return builder;
}

std::optional<BitmapBuilder> BitmapBuilder::createUninitialized(int width, int height)
{
    if (!bitmapSizeAllowed(width, height))
        return std::nullopt;
    QImage image = hugePageImage(width, height);
    if (image.isNull())
        image = QImage(width, height, kBitmapFormat);
    if (image.isNull())
        return std::nullopt;
    image.setColorSpace(QColorSpace::SRgb);
    return BitmapBuilder(std::move(image));
}

std::optional<BitmapBuilder> BitmapBuilder::fromImage(QImage image)
{
    image = normalized(std::move(image));
    if (image.isNull())
        return std::nullopt;
    return BitmapBuilder(std::move(image));
}

std::optional<BitmapBuilder> BitmapBuilder::copyOf(const Bitmap& bitmap)
{
    if (bitmap.isNull())
        return std::nullopt;
    QImage copy = bitmap.image().copy();
    if (copy.isNull())
        return std::nullopt;
    return BitmapBuilder(std::move(copy));
}

void BitmapBuilder::fill(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a)
{
    const std::uint8_t bytes[4] = {r, g, b, a};
    std::uint32_t pixel;
    std::memcpy(&pixel, bytes, 4);
    for (int y = 0; y < image_.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image_.scanLine(y));
        std::fill(row, row + image_.width(), pixel);
    }
}

Bitmap BitmapBuilder::build() &&
{
    return Bitmap(std::make_shared<const QImage>(std::move(image_)));
}

}  // namespace velmaris
