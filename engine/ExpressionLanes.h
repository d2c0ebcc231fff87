#pragma once

#include "engine/NoteTable.h"

#include <array>
#include <cstdint>

namespace zelk
{
struct GlobalControls;

// The expression targets of every member channel at once. Each lane holds, in plain arrays, what
// the targets of one channel need from the note of its chain sounding now; the per-sample work is
// then one loop over the lanes without branches, which the compiler turns into vector code.
class ExpressionLanes
{
public:
    static constexpr int laneCount = 16;

    ExpressionLanes() noexcept;


    // Lane `lane` follows note `segment` of the chain whose head is `head`.
    void load (int lane, const NoteTable& table, int head, int segment) noexcept;

    // Targets of lanes 0..count - 1 at position v, t being v in the pattern's single-precision time
    // base, and one step of the smoothed values toward them: one pole per sample, k = 0 jumps.
    // Lanes a little past count may be computed too; nobody reads them.
    void compute (int count, const NoteTable& table, double v, double t, const GlobalControls& controls,
                  double k) noexcept;

    // The table's values may have changed under the lanes: read every lane's curve points again.
    void forgetPoints() noexcept { pointsRead = false; }

    // The targets of one lane only, without a smoothing step, with the same arithmetic.
    void computeLane (int lane, const NoteTable& table, double v, double t, const GlobalControls& controls) noexcept;

    // Targets: bend in semitones from the head's key before transpose, pressure and timbre 0..1.
    alignas (16) std::array<double, laneCount> bendTarget {};
    alignas (16) std::array<double, laneCount> pressureTarget {};
    alignas (16) std::array<double, laneCount> timbreTarget {};

    // The channels' smoothed values, which the attack sets and the send tick converts.
    alignas (16) std::array<float, laneCount> bend {};
    alignas (16) std::array<float, laneCount> pressure {};
    alignas (16) std::array<float, laneCount> timbre {};

private:
    struct Inputs
    {
        const float* points;
        double v, t, bendDepth, pressureScale, timbreScale, k;
    };

    void computeWidest (int count, const Inputs& in) noexcept;
    void computeWide (int count, const Inputs& in) noexcept;
    void computeNarrow (int count, const Inputs& in) noexcept;

    template <int count>
    void passes (const Inputs& in) noexcept;
    void positions (int l, double v, double t) noexcept;
    void readPoints (int l, const float* points) noexcept;
    template <int count, bool anyGliding, bool anyVibrato>
    void targetPass (const Inputs& in) noexcept;
    template <bool anyGliding, bool anyVibrato>
    void targets (int l, double t, double bendDepth, double pressureScale, double timbreScale) noexcept;
    void smooth (int l, double k) noexcept;

    using Doubles = std::array<double, laneCount>;

    // Flags are 0 or 1 in double lanes, so that every selection is between doubles.
    alignas (16) Doubles start {};
    alignas (16) Doubles duration = filled (1.0);
    alignas (16) Doubles pitch {};
    alignas (16) Doubles headPitch {};
    alignas (16) Doubles glides {};
    alignas (16) Doubles glideStart {};
    alignas (16) Doubles glideLength = filled (1.0);
    alignas (16) Doubles fromCurve {};
    alignas (16) Doubles toCurve {};
    alignas (16) Doubles nextPitch {};
    alignas (16) Doubles exponent = filled (1.0);
    alignas (16) Doubles rising = filled (1.0);
    alignas (16) Doubles vibOn {};
    alignas (16) Doubles vibStart {};
    alignas (16) Doubles vibSpan = filled (1.0);
    alignas (16) Doubles vibFade {};
    alignas (16) Doubles vibDepth {};
    alignas (16) Doubles vibAngle {};
    // Doubles to a vector: 8 with AVX-512, 4 with AVX2, else 2; checked once when the lanes are made.
    int vectorWidth = 2;

    // Where the lane's note's curves begin among the table's curve points (in floats).
    alignas (16) std::array<int32_t, laneCount> curveOffset {};

    // Between the passes of one sample: positions in the note, the curve segments they fall in
    // and the points there (the first point and the step to the next).
    alignas (16) Doubles notePosition {};
    alignas (16) Doubles pitchPosition {};
    alignas (16) Doubles curvePosition {};
    alignas (16) Doubles vibratoPosition {};
    alignas (16) std::array<int32_t, laneCount> pitchIndex {};
    alignas (16) std::array<int32_t, laneCount> curveIndex {};
    alignas (16) Doubles pitchPoint {};
    alignas (16) Doubles pitchStep {};
    alignas (16) Doubles pressurePoint {};
    alignas (16) Doubles pressureStep {};
    alignas (16) Doubles timbrePoint {};
    alignas (16) Doubles timbreStep {};

    // The segments whose points the lanes hold: a curve's points change only when a lane enters
    // its next segment, 32 times in a note, so most samples read none.
    alignas (16) std::array<int32_t, laneCount> pointsPitchIndex {};
    alignas (16) std::array<int32_t, laneCount> pointsCurveIndex {};
    bool pointsRead = false;

    static constexpr Doubles filled (double value) noexcept
    {
        Doubles d {};

        for (auto& x : d)
            x = value;

        return d;
    }
};

} // namespace zelk
