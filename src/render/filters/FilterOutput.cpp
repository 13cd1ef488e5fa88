#include "render/filters/FilterOutput.h"

#include <QColorSpace>

#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace velmaris {

namespace {

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

std::optional<BitmapBuilder> uninitializedBitmap(int width, int height)
{
    if (!bitmapSizeAllowed(width, height))
        return std::nullopt;
    QImage image = hugePageImage(width, height);
    if (image.isNull())
        image = QImage(width, height, kBitmapFormat);
    if (image.isNull())
        return std::nullopt;
    image.setColorSpace(QColorSpace::SRgb);
    return BitmapBuilder::fromImage(std::move(image));
}

}  // namespace velmaris
