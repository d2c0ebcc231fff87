#pragma once

#include "engine/FastSine.h"

#include <cmath>
#include <cstdint>
#include <cstring>

// u to the power e for the glide's shaping, inline for the audio thread's per-sample loop: u in
// 0..1 and a positive exponent (at most 8 there). Within a few units in the last place of a
// double; the glide's pitch is rounded to single precision, where the difference from the C
// library's pow disappears.
namespace zelk::fastpower
{
namespace detail
{
    constexpr double invLn2 = 1.44269504088896338700e+00;
    constexpr double ln2Head = 6.93147180369123816490e-01;
    constexpr double ln2Tail = 1.90821492927058770002e-10;

    // Natural logarithm of a positive normal x.
    inline double log (double x) noexcept
    {
        uint64_t bits;
        std::memcpy (&bits, &x, sizeof bits);
        auto exponent = (int) ((bits >> 52) & 0x7ff) - 1023;
        bits = (bits & 0x000fffffffffffffull) | 0x3ff0000000000000ull;
        double m;
        std::memcpy (&m, &bits, sizeof m);

        // m in [sqrt(1/2), sqrt(2)), so that s below stays small.
        if (m > 1.41421356237309504880)
        {
            m *= 0.5;
            ++exponent;
        }

        // log m = 2 atanh s with s = (m - 1) / (m + 1), |s| < 0.1716.
        const auto f = m - 1.0;
        const auto s = f / (m + 1.0);
        const auto z = s * s;
        const auto series = z * (1.0 / 3 + z * (1.0 / 5 + z * (1.0 / 7 + z * (1.0 / 9 + z * (1.0 / 11 + z * (1.0 / 13
                          + z * (1.0 / 15 + z * (1.0 / 17 + z * (1.0 / 19 + z * (1.0 / 21 + z * (1.0 / 23)))))))))));
        const auto k = (double) exponent;
        return k * ln2Head + ((2.0 * s + 2.0 * s * series) + k * ln2Tail);
    }

    // e^y for y in about -745..0.
    inline double exp (double y) noexcept
    {
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

        // Beyond a normal power of two (results far too small to move a glide).
        if (n < -1020.0)
            return std::ldexp (value, (int) n);

        const auto scaleBits = (uint64_t) ((int64_t) n + 1023) << 52;
        double scale;
        std::memcpy (&scale, &scaleBits, sizeof scale);
        return value * scale;
    }
} // namespace detail

inline double pow (double u, double e) noexcept
{
    if (u <= 0.0)
        return 0.0;

    if (u >= 1.0)
        return 1.0;

    return detail::exp (e * detail::log (u));
}
} // namespace zelk::fastpower
