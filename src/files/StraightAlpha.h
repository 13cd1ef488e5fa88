#pragma once

#include <algorithm>
#include <cstdint>

namespace velmaris {

// A premultiplied channel divided back by its alpha, rounded; 0 where alpha is 0.
inline std::uint8_t straightChannel(unsigned value, unsigned alpha)
{
    return std::uint8_t(std::min(255u, (value * 255u + alpha / 2) / std::max(alpha, 1u)));
}

// A row of premultiplied RGBA8 pixels un-premultiplied, rounded to nearest, so premultiplying again
// gives back every stored value. Components above alpha (not valid premultiplied data) saturate.
void unpremultiplyRow(const std::uint8_t* source, std::uint8_t* target, int width);

}  // namespace velmaris
