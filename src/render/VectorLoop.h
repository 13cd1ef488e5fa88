#pragma once

namespace velmaris {

#if defined(__GNUC__) && !defined(__clang__)
#define VELMARIS_NO_LOOP_DEPENDENCIES _Pragma("GCC ivdep")
#else
#define VELMARIS_NO_LOOP_DEPENDENCIES
#endif

// Calls body(i) for i in [0, count); body(i) must not read anything another index writes. The
// fixed-length inner blocks let the compiler vectorise the body at -O2, whose cheap cost model
// refuses loops that need a scalar remainder or run-time aliasing checks. Byte-to-float loops
// need blocks of 32 to fill AVX vectors. Always inlined, so that it takes its caller's target (an
// AVX2 copy of a kernel vectorises it at that width).
template <int block = 16, typename Body>
[[gnu::always_inline]] inline void forEachIndex(int count, Body&& body)
{
    int i = 0;
    for (; i + block <= count; i += block) {
        VELMARIS_NO_LOOP_DEPENDENCIES
        for (int k = 0; k < block; ++k)
            body(i + k);
    }
    for (; i < count; ++i)
        body(i);
}

}  // namespace velmaris
