#pragma once

#include "engine/FastSine.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// u to the power e for the glide's shaping, inline and without branches for the audio thread's
// per-sample loop: u in 0..1 and a positive exponent (at most 8 there). Within a few units in the
// last place of a double; the glide's pitch is rounded to single precision, where the difference
// from the C library's pow disappears.
namespace zelk::fastpower
{
namespace detail
{
    constexpr double invLn2 = 1.44269504088896338700e+00;
    constexpr double ln2Head = 6.93147180369123816490e-01;
    constexpr double ln2Tail = 1.90821492927058770002e-10;
    constexpr double twoTo52 = 4503599627370496.0;

    using fastsine::detail::bitsOf;
    using fastsine::detail::fromBits;

    // Natural logarithm of a positive normal x. Integers move between the two kinds through the
    // bits of 2^52 + n, and choices are selections, so that loops of it vectorise.
    inline double log (double x) noexcept
    {
        const auto bits = bitsOf (x);
        auto exponent = fromBits ((bits >> 52) | 0x4330000000000000ull) - twoTo52 - 1023.0;
        auto m = fromBits ((bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull);

        // m in [sqrt(1/2), sqrt(2)), so that s below stays small.
        const auto high = m > 1.41421356237309504880;
        m = high ? m * 0.5 : m;
        exponent = high ? exponent + 1.0 : exponent;

        // log m = 2 atanh s with s = (m - 1) / (m + 1), |s| < 0.1716.
        const auto s = (m - 1.0) / (m + 1.0);
        const auto z = s * s;
        const auto series = z * (1.0 / 3 + z * (1.0 / 5 + z * (1.0 / 7 + z * (1.0 / 9 + z * (1.0 / 11 + z * (1.0 / 13
                          + z * (1.0 / 15 + z * (1.0 / 17 + z * (1.0 / 19 + z * (1.0 / 21 + z * (1.0 / 23)))))))))));
        return exponent * ln2Head + ((2.0 * s + 2.0 * s * series) + exponent * ln2Tail);
    }

    // e^y for y <= 0; below -700 (results under 1e-304, nothing to a glide) it gives e^-700.
    inline double exp (double y) noexcept
    {
        y = y < -700.0 ? -700.0 : y;
        const auto n = fastsine::detail::nearestInteger (y * invLn2);
        const auto r = (y - n * ln2Head) - n * ln2Tail;
        // Taylor series of e^r for |r| <= ln2 / 2, to r^13.
        auto p = 1.0 / 6227020800.0;
        p = 1.0 / 479001600.0 + r * p;
        p = 1.0 / 39916800.0 + r * p;
        p = 1.0 / 3628800.0 + r * p;
        p = 1.0 / 362880.0 + r * p;
        p = 1.0 / 40320.0 + r * p;
        p = 1.0 / 5040.0 + r * p;
        p = 1.0 / 720.0 + r * p;
        p = 1.0 / 120.0 + r * p;
        p = 1.0 / 24.0 + r * p;
        p = 1.0 / 6.0 + r * p;
        p = 0.5 + r * p;
        const auto value = 1.0 + (r + r * r * p);
        // 2^n from the bits of 2^52 + (n + 1023), shifted into the exponent field.
        return value * fromBits (bitsOf (n + (twoTo52 + 1023.0)) << 52);
    }
} // namespace detail

inline double pow (double u, double e) noexcept
{
    const auto value = detail::exp (e * detail::log (u));
    return u <= 0.0 ? 0.0 : (u >= 1.0 ? 1.0 : value);
}
} // namespace zelk::fastpower
