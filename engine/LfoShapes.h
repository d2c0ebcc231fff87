#pragma once

#include "engine/LfoEngine.h"
#include "engine/PortableMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
    #include <emmintrin.h>
    #define ZELK_LFO_LANES 1
#else
    #define ZELK_LFO_LANES 0
#endif

// The LFOs' shapes and the small steps the engine's two files share: inline, because the
// per-sample code calls them.
namespace zelk::lfoshapes
{
template <typename T>
inline bool sameBits (T a, T b) noexcept
{
    return std::memcmp (&a, &b, sizeof (T)) == 0;
}

// x - floor (x) for x in [0, 2^31), where truncation is the floor: a conversion that vectorises,
// where floor is a call without SSE4.1. In (0, 1) it takes away 0 and changes nothing.
inline float fractionalPart (float x) noexcept
{
    return x - (float) (int32_t) x;
}

// The basic shapes at a position a in [0, 1).
inline float sine (float a) noexcept
{
    return portable::sin (6.2831855f * a);
}

inline float triangle (float a) noexcept
{
    return 1.0f - 4.0f * std::abs (a - 0.5f);
}

inline float rise (float a) noexcept
{
    return 2.0f * a - 1.0f;
}

inline float fall (float a) noexcept
{
    return 1.0f - 2.0f * a;
}

inline float pulse (float a) noexcept
{
    return a < 0.5f ? 1.0f : -1.0f;
}

inline float drawn (float a, const std::array<float, lfoPointCount>& points) noexcept
{
    const auto i = (size_t) std::clamp ((int) (8.0f * a), 0, 7);
    return points[i] + (points[i + 1] - points[i]) * (8.0f * a - (float) i);
}

// Inside (0, 1) the floor is 0 and subtracting it changes nothing: no call.
forcedinline float positionInCycle (float x) noexcept
{
    return x > 0.0f && x < 1.0f ? x : x - std::floor (x);
}

// A basic shape at a position a in [0, 1), with the sine of a given.
forcedinline float basicShape (int shape, float a, float sineOfA,
                               const std::array<float, lfoPointCount>& points) noexcept
{
    switch (shape)
    {
        case 0: return sineOfA;
        case 1: return triangle (a);
        case 2: return rise (a);
        case 3: return fall (a);
        case 4: return pulse (a);
        default: return drawn (a, points);
    }
}

// The shape morph at a position a in [0, 1) of a shape position s already in 0..5, with the sine of
// a given where the sine takes part (s below 1); inline, for the LFOs' per-sample step.
forcedinline float morphedShapeAt (float s, float a, float sineOfA,
                                   const std::array<float, lfoPointCount>& points) noexcept
{
    const auto k = (int) s;
    const auto k2 = std::min (k + 1, 5);
    const auto value = basicShape (k, a, sineOfA, points);

    // The neighbour only matters between two whole shapes.
    if (k2 == k || s == (float) k)
        return value;

    return value + (basicShape (k2, a, sineOfA, points) - value) * (s - (float) k);
}
} // namespace zelk::lfoshapes
