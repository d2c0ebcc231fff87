#pragma once

#include "engine/FastPower.h"
#include "engine/FastSine.h"

// The exponentials, powers of two and sines that the engine's output depends on. C libraries round
// these differently in the last place (glibc's and the Windows runtime's do), so the engine
// computes them itself, and every build of it renders the same bits.
namespace zelk::portable
{
// e^x for x in -700..700.
inline double exp (double x) noexcept
{
    return fastpower::detail::exp (x);
}

inline float exp (float x) noexcept
{
    return (float) exp ((double) x);
}

// 2^x for x in -1000..1000: 2^n, exactly, times e^(f ln 2) for the nearest integer n and |f| <= 1/2.
inline double pow2 (double x) noexcept
{
    constexpr double ln2 = 6.93147180559945309417e-01;
    const auto n = fastsine::detail::nearestInteger (x);
    const auto twoToN = fastsine::detail::fromBits (fastsine::detail::bitsOf (n + (fastpower::detail::twoTo52 + 1023.0)) << 52);
    return fastpower::detail::exp ((x - n) * ln2) * twoToN;
}

inline float sin (float x) noexcept
{
    return fastsine::sin (x);
}
} // namespace zelk::portable
