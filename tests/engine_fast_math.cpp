// The audio thread's own sine and power against the C library's: never more than a few units in
// the last place of a double apart, and the same once rounded to single precision, which is what
// the engine keeps and sends.
#include "engine/FastPower.h"
#include "engine/FastSine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace
{
int64_t unitsApart (double a, double b)
{
    int64_t x, y;
    std::memcpy (&x, &a, sizeof x);
    std::memcpy (&y, &b, sizeof y);
    return std::llabs (x - y);
}
} // namespace

TEST (FastMath, SineAndCosineMatchTheLibraryOverTheVibratoAndSynthRanges)
{
    std::mt19937_64 random (7);
    // One synth cycle, and the vibrato's angle: up to 64 cycles.
    for (const auto range : { 6.283185307179586, 402.2 })
    {
        std::uniform_real_distribution<double> angle (-range, range);
        int64_t worst = 0, differentInSingle = 0;

        for (int i = 0; i < 400000; ++i)
        {
            const auto x = angle (random);
            double s, c;
            zelk::fastsine::sinCos (x, s, c);
            worst = std::max ({ worst, unitsApart (s, std::sin (x)), unitsApart (c, std::cos (x)) });
            differentInSingle += (float) s != (float) std::sin (x) || (float) c != (float) std::cos (x);
        }

        EXPECT_LE (worst, 2) << range;
        EXPECT_EQ (differentInSingle, 0) << range;
    }

    // Exact where the waveforms start and at the quarter turns.
    EXPECT_EQ (zelk::fastsine::sin (0.0), 0.0);
    EXPECT_EQ (zelk::fastsine::sin (0.0f), 0.0f);
    EXPECT_EQ (zelk::fastsine::sin (1.5707963267948966), 1.0);
    EXPECT_EQ (zelk::fastsine::sin (-1.5707963267948966), -1.0);
}

TEST (FastMath, SingleSineIsTheCorrectlyRoundedSine)
{
    std::mt19937_64 random (11);
    std::uniform_real_distribution<float> turn (0.0f, 1.0f);
    int wrong = 0;

    for (int i = 0; i < 400000; ++i)
    {
        const auto x = 6.2831855f * turn (random);
        wrong += zelk::fastsine::sin (x) != (float) sinl ((long double) x);
    }

    EXPECT_EQ (wrong, 0);
}

TEST (FastMath, PowerMatchesTheLibraryForGlideShapes)
{
    std::mt19937_64 random (5);
    std::uniform_real_distribution<double> unit (0.0, 1.0), shape (0.0, 1.0);
    int differentInSingle = 0;
    auto worstRelative = 0.0;

    for (int i = 0; i < 400000; ++i)
    {
        const auto u = i % 5 == 0 ? unit (random) * 1.0e-4 : unit (random);
        const auto e = std::pow (2.0, 3.0 * shape (random));
        const auto fast = zelk::fastpower::pow (u, e), library = std::pow (u, e);
        worstRelative = std::max (worstRelative, std::abs (fast - library) / library);
        // As a glide uses it: between two pitches up to five octaves apart.
        const auto from = 30.0 + 60.0 * unit (random), to = 30.0 + 60.0 * unit (random);
        differentInSingle += (float) (from + (to - from) * fast) != (float) (from + (to - from) * library);
    }

    EXPECT_LT (worstRelative, 5.0e-14);
    EXPECT_EQ (differentInSingle, 0);

    // The ends of a glide are exact, and so is a straight glide.
    for (const auto e : { 1.0, 2.8284271247461903, 8.0 })
    {
        EXPECT_EQ (zelk::fastpower::pow (0.0, e), 0.0);
        EXPECT_EQ (zelk::fastpower::pow (1.0, e), 1.0);
    }

    EXPECT_EQ (zelk::fastpower::pow (0.375, 1.0), 0.375);
    EXPECT_EQ (zelk::fastpower::pow (0.5, 2.0), 0.25);
}
