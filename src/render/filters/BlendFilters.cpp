#include "render/filters/BlendFilters.h"

#include "render/Blend.h"
#include "render/Parallel.h"

#include <algorithm>
#include <cstring>

namespace velmaris {

namespace {

Bitmap blendFilter(const Bitmap& source, const Bitmap& background, LayerBlendMode mode)
{
    if (source.isNull())
        return background;
    auto output = BitmapBuilder::createUninitialized(background.width(), background.height());
    if (!output)
        return {};
    // Each backdrop row is copied and blended onto while it is still in the cache, instead of
    // copying the whole image first.
    std::uint8_t* base = output->row(0);
    const qsizetype stride = output->stride();
    const int width = std::min(source.width(), background.width());
    parallelRows(background.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::uint8_t* target = base + y * stride;
            std::memcpy(target, background.row(y), 4 * std::size_t(background.width()));
            if (y < source.height())
                blendRow(target, source.row(y), width, mode, 1.0, BlendArithmetic::fastest);
        }
    });
    return std::move(*output).build();
}

}  // namespace

Bitmap overlayBlendFilter(const Bitmap& source, const Bitmap& background)
{
    return blendFilter(source, background, LayerBlendMode::overlay);
}

Bitmap colorDodgeBlendFilter(const Bitmap& source, const Bitmap& background)
{
    return blendFilter(source, background, LayerBlendMode::colorDodge);
}

}  // namespace velmaris
