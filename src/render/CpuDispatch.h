#pragma once

namespace velmaris {

// Arithmetic-bound kernels come in two copies of one always-inlined body: a baseline one and one
// compiled for AVX2, whose vectors are twice as wide. Both run the same operations in the same
// order, so the result does not depend on which one the CPU gets.
#if defined(__x86_64__)
#define VELMARIS_TARGET_AVX2 [[gnu::target("avx2")]]
#else
#define VELMARIS_TARGET_AVX2
#endif

// `wide` where the CPU has AVX2, `baseline` elsewhere.
template <typename Function>
Function forThisCpu(Function baseline, Function wide)
{
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2"))
        return wide;
#endif
    (void)wide;
    return baseline;
}

}  // namespace velmaris
