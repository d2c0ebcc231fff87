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

// Member channels bend over +/-48 semitones whatever the "bend" control says.
inline int32_t pitchBend (double semitones) noexcept { return nearestClamped (semitones * 8192.0 / 48.0 + 8192.0, 0, 16383); }

// Pressure and controller 74 from 0..1.
inline int32_t sevenBit (double unit) noexcept { return nearestClamped (unit * 127.0, 0, 127); }

constexpr int32_t bendCentre = 8192;
constexpr int timbreController = 74;
} // namespace zelk::midivalue
