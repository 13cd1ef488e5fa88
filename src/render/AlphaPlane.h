#pragma once

#include <cstdint>
#include <vector>

namespace velmaris {

// One 8-bit channel (coverage or alpha), rows packed without padding.
struct AlphaPlane {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;  // width × height

    AlphaPlane() = default;
    AlphaPlane(int w, int h, std::uint8_t fill = 0) : width(w), height(h), values(std::size_t(w) * h, fill) {}
    std::uint8_t* row(int y) { return values.data() + std::size_t(y) * width; }
    const std::uint8_t* row(int y) const { return values.data() + std::size_t(y) * width; }
};

}  // namespace velmaris
