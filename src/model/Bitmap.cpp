#include "model/Bitmap.h"

#include <QColorSpace>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

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

#ifdef __linux__
struct PixelBlock {
    void* memory;
    std::size_t bytes;
};

// The last few large blocks released, kept for the next image of the same size: filter previews
// and composites are made again and again at one size, and fresh pages cost the kernel a clearing
// pass each time, as much as the filter itself. At most two blocks of 128 MB in all wait.
class BlockRecycler {
public:
    void* take(std::size_t bytes)
    {
        const std::lock_guard lock(mutex_);
        const auto match =
            std::find_if(waiting_.begin(), waiting_.end(), [&](const PixelBlock& b) { return b.bytes == bytes; });
        if (match == waiting_.end())
            return nullptr;
        void* memory = match->memory;
        waitingBytes_ -= match->bytes;
        waiting_.erase(match);
        return memory;
    }

    void give(PixelBlock block)
    {
        const std::lock_guard lock(mutex_);
        // Blocks of huge images are not kept: an idle editor should not hold gigabytes.
        if (block.bytes > kMaxWaitingBytes) {
            std::free(block.memory);
            return;
        }
        while (waiting_.size() == kWaiting || waitingBytes_ + block.bytes > kMaxWaitingBytes) {
            waitingBytes_ -= waiting_.front().bytes;
            std::free(waiting_.front().memory);
            waiting_.erase(waiting_.begin());
        }
        waiting_.push_back(block);
        waitingBytes_ += block.bytes;
    }

private:
    static constexpr std::size_t kWaiting = 2;
    static constexpr std::size_t kMaxWaitingBytes = std::size_t(128) << 20;
    std::mutex mutex_;
    std::vector<PixelBlock> waiting_;
    std::size_t waitingBytes_ = 0;
};

// Never destroyed: images may be released after static destructors have run.
BlockRecycler& recycler()
{
    static auto* instance = new BlockRecycler;
    return *instance;
}

void releaseBlock(void* info)
{
    auto* block = static_cast<PixelBlock*>(info);
    recycler().give(*block);
    delete block;
}
#endif

QImage hugePageImage(int width, int height)
{
#ifdef __linux__
    const qsizetype stride = 4 * qsizetype(width);
    const qsizetype bytes = (stride * height + kHugePage - 1) / kHugePage * kHugePage;
    if (bytes < 2 * kHugePage)
        return {};
    void* memory = recycler().take(std::size_t(bytes));
    if (!memory) {
        memory = std::aligned_alloc(std::size_t(kHugePage), std::size_t(bytes));
        if (!memory)
            return {};
        // Advice only: without huge pages the memory works as usual.
        madvise(memory, std::size_t(bytes), MADV_HUGEPAGE);
    }
    return QImage(static_cast<uchar*>(memory), width, height, stride, kBitmapFormat, releaseBlock,
                  new PixelBlock{memory, std::size_t(bytes)});
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
