#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Sine and cosine for the audio thread, inline and without branches on the argument's size, so
// that loops over voices and channels vectorise. Accurate to about one unit in the last place of
// a double for |x| below 1e5 radians: every caller rounds the result to single precision, where
// the difference from the C library's functions disappears.
namespace zelk::fastsine
{
namespace detail
{
    // pi/2 split so that n times the first part is exact for |n| < 2^20.
    constexpr double halfPiHead = 1.57079632673412561417e+00;
    constexpr double halfPiTail = 6.07710050650619224932e-11;
    constexpr double twoOverPi = 6.36619772367581382433e-01;

    // Adding and taking away 1.5 x 2^52 rounds to the nearest integer, ties to even, for |x| < 2^51:
    // the same as nearbyint, without a library call where the target has no rounding instruction.
    inline double nearestInteger (double x) noexcept
    {
        constexpr double shift = 6755399441055744.0;
        return (x + shift) - shift;
    }

    // Minimax polynomials on [-pi/4, pi/4].
    inline double sinKernel (double x) noexcept
    {
        const auto z = x * x;
        const auto r = 8.33333333332248946124e-03
                     + z * (-1.98412698298579493134e-04
                            + z * (2.75573137070700676789e-06 + z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
        return x + z * x * (-1.66666666666666324348e-01 + z * r);
    }

    inline double cosKernel (double x) noexcept
    {
        const auto z = x * x;
        const auto r = z * (4.16666666666666019037e-02
                            + z * (-1.38888888888741095749e-03
                                   + z * (2.48015872894767294178e-05
                                          + z * (-2.75573143513906633035e-07
                                                 + z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
        const auto hz = 0.5 * z;
        const auto w = 1.0 - hz;
        return w + (((1.0 - w) - hz) + z * r);
    }

    inline uint64_t bitsOf (double x) noexcept
    {
        uint64_t bits;
        std::memcpy (&bits, &x, sizeof (bits));
        return bits;
    }

    inline double fromBits (uint64_t bits) noexcept
    {
        double x;
        std::memcpy (&x, &bits, sizeof (x));
        return x;
    }
} // namespace detail

inline void sinCos (double x, double& sine, double& cosine) noexcept
{
    // x = n pi/2 + r with |r| <= pi/4. Adding 1.5 x 2^52 rounds x 2/pi to the nearest integer, ties
    // to even as nearbyint does (which SSE2 cannot do in a vector), and leaves n in the low bits.
    constexpr double shift = 6755399441055744.0;
    const auto shifted = x * detail::twoOverPi + shift;
    const auto n = shifted - shift;
    const auto quadrant = detail::bitsOf (shifted);
    const auto r = (x - n * detail::halfPiHead) - n * detail::halfPiTail;
    const auto s = detail::bitsOf (detail::sinKernel (r));
    const auto c = detail::bitsOf (detail::cosKernel (r));

    // Quadrants 0..3: (s, c), (c, -s), (-s, -c), (-c, s). Chosen with bit masks, so that both
    // kernels run unconditionally: a branch would stop the loop from vectorising.
    const auto swap = uint64_t { 0 } - (quadrant & 1);
    const auto a = (s & ~swap) | (c & swap);
    const auto b = (c & ~swap) | (s & swap);
    sine = detail::fromBits (a ^ ((quadrant & 2) << 62));
    cosine = detail::fromBits (b ^ (((quadrant + 1) & 2) << 62));
}

inline double sin (double x) noexcept
{
    double s, c;
    sinCos (x, s, c);
    return s;
}

// Single precision in and out, worked in double so that the result is the correctly rounded sine
// of the float argument in all but the rarest cases.
inline float sin (float x) noexcept
{
    return (float) sin ((double) x);
}
} // namespace zelk::fastsine
