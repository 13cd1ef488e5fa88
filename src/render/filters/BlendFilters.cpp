#include "render/filters/BlendFilters.h"

#include "render/Blend.h"

namespace velmaris {

namespace {

Bitmap blendFilter(const Bitmap& source, const Bitmap& background, LayerBlendMode mode)
{
    if (source.isNull())
        return background;
    auto output = BitmapBuilder::copyOf(background);
    if (!output)
        return {};
    blendInto(*output, source, QPoint(0, 0), mode, 1.0);
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
