#pragma once

namespace velmaris {

// Calls body(i) for i in [0, count). The fixed-length inner blocks let the compiler vectorise the
// body at -O2, whose cheap cost model refuses loops that would need a scalar remainder.
template <typename Body>
inline void forEachIndex(int count, Body&& body)
{
    constexpr int block = 16;
    int i = 0;
    for (; i + block <= count; i += block)
        for (int k = 0; k < block; ++k)
            body(i + k);
    for (; i < count; ++i)
        body(i);
}

}  // namespace velmaris
