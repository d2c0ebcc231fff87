#pragma once

#include <cmath>
#include <cstdint>

namespace zelk::midivalue
{
// The nearest integer, ties to even (the default rounding mode), clamped to lo..hi. A NaN gives lo
// rather than an undefined conversion.
inline int32_t nearestClamped (double x, int32_t lo, int32_t hi) noexcept
{
    const auto rounded = std::nearbyint (x);

    if (! (rounded >= (double) lo))
        return lo;

    return rounded > (double) hi ? hi : (int32_t) rounded;
}

// Member channels bend over +/-range semitones (48 unless the output options say otherwise),
// whatever the "bend" control says; further is clamped at the range's edge.
inline int32_t pitchBend (double semitones, double range) noexcept
{
    return nearestClamped (semitones * 8192.0 / range + 8192.0, 0, 16383);
}

// Past the edge, where the value sent is clamped.
inline bool bendsPastRange (double semitones, double range) noexcept { return std::abs (semitones) > range; }

// Pressure and controller 74 from 0..1.
inline int32_t sevenBit (double unit) noexcept { return nearestClamped (unit * 127.0, 0, 127); }

constexpr int32_t bendCentre = 8192;
constexpr int timbreController = 74;
} // namespace zelk::midivalue
