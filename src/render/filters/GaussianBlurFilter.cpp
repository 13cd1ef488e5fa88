#include "render/filters/GaussianBlurFilter.h"

#include "render/GaussianBlur.h"

#include <algorithm>

namespace velmaris {

Bitmap gaussianBlurFilter(const Bitmap& input, double radius)
{
    if (input.isNull() || !(radius > 0))
        return input;
    auto output = BitmapBuilder::copyOf(input);
    if (!output)
        return input;
    // Far beyond the image size a wider blur changes nothing visible; keep the kernel's numbers sane.
    const double limit = 4.0 * (input.width() + input.height());
    gaussianBlur(*output, std::min(radius, limit), BlurEdge::clamp);
    return std::move(*output).build();
}

}  // namespace velmaris
