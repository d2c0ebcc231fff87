#include "engine/ExpressionLanes.h"

#include "engine/ExpressionRenderer.h"
#include "engine/FastPower.h"
#include "engine/FastSine.h"
#include "engine/VectorWidth.h"

#include <juce_core/juce_core.h>

#include <algorithm>

namespace zelk
{
ExpressionLanes::ExpressionLanes() noexcept : vectorWidth (vectors::width())
{
}

void ExpressionLanes::load (int l, const NoteTable& table, int head, int segment) noexcept
{
    const auto i = (size_t) l;
    const auto& note = table.notes[(size_t) segment];
    const auto& c = table.pitchConstants[(size_t) segment];

    start[i] = note.start;
    duration[i] = note.duration;
    pitch[i] = note.pitch;
    headPitch[i] = table.notes[(size_t) head].pitch;
    curveOffset[i] = (int32_t) (note.curves[0].data() - table.notes[0].curves[0].data());

    glides[i] = c.glides ? 1.0 : 0.0;
    // A lane that does not glide still computes a glide, on values that keep it finite.
    glideStart[i] = c.glides ? c.glideStart : 0.0;
    glideLength[i] = c.glides ? c.glideLength : 1.0;
    fromCurve[i] = c.fromCurve;
    toCurve[i] = c.toCurve;
    nextPitch[i] = c.nextPitch;
    exponent[i] = c.exponent;
    rising[i] = note.glideShape >= 0.0f ? 1.0 : 0.0;

    vibOn[i] = note.vibOn ? 1.0 : 0.0;
    vibStart[i] = note.vibStart;
    vibSpan[i] = c.vibSpan;
    vibFade[i] = note.vibFade;
    vibDepth[i] = note.vibDepth;
    vibAngle[i] = c.vibAngle;
    pointsRead = false;
}

namespace
{
double unitClamped (double x) noexcept
{
    const auto low = x < 0.0 ? 0.0 : x;
    return 1.0 < low ? 1.0 : low;
}

// The curve segment a position 0..32 falls in, clamped on both sides so that even a position that
// is not a number reads inside the curve.
int32_t segmentIndex (double position) noexcept
{
    const auto truncated = (int32_t) position < 31 ? (int32_t) position : 31;
    return truncated > 0 ? truncated : 0;
}
} // namespace

// The pitch formula and the two curves, each step as the formulas write it, so that every lane
// gives the same bits as the formula itself. Choices are selections between values computed for
// every lane. The work is split in three passes around the reading of the curve points, which
// the compiler cannot vectorise.
forcedinline void ExpressionLanes::positions (int l, double v, double t) noexcept
{
    const auto i = (size_t) l;
    notePosition[i] = (t - start[i]) / duration[i];
    pitchPosition[i] = unitClamped (notePosition[i]) * 32.0;
    curvePosition[i] = unitClamped ((v - start[i]) / duration[i]) * 32.0;
    vibratoPosition[i] = (notePosition[i] - vibStart[i]) / vibSpan[i];
    pitchIndex[i] = segmentIndex (pitchPosition[i]);
    curveIndex[i] = segmentIndex (curvePosition[i]);
}

forcedinline void ExpressionLanes::readPoints (int l, const float* points) noexcept
{
    const auto i = (size_t) l;
    const auto pitchAt = curveOffset[i] + pitchIndex[i];
    const auto pressureAt = curveOffset[i] + curvePointCount * pressureCurve + curveIndex[i];
    const auto timbreAt = curveOffset[i] + curvePointCount * timbreCurve + curveIndex[i];
    pitchPoint[i] = points[pitchAt];
    pitchStep[i] = (double) points[pitchAt + 1] - points[pitchAt];
    pressurePoint[i] = points[pressureAt];
    pressureStep[i] = (double) points[pressureAt + 1] - points[pressureAt];
    timbrePoint[i] = points[timbreAt];
    timbreStep[i] = (double) points[timbreAt + 1] - points[timbreAt];
}

template <bool anyGliding, bool anyVibrato>
forcedinline void ExpressionLanes::targets (int l, double t, double bendDepth, double pressureScale,
                                            double timbreScale) noexcept
{
    const auto i = (size_t) l;

    // The pitch curve at t.
    const auto curve = pitchPoint[i] + pitchStep[i] * (pitchPosition[i] - pitchIndex[i]);
    auto p = pitch[i] + curve * bendDepth;

    // The glide, replacing the curve from its start on; skipped while no lane glides.
    if constexpr (anyGliding)
    {
        const auto u = unitClamped ((t - glideStart[i]) / glideLength[i]);
        const auto from = pitch[i] + fromCurve[i] * bendDepth;
        const auto to = nextPitch[i] + toCurve[i] * bendDepth;
        const auto isRising = rising[i] != 0.0;
        const auto power = fastpower::pow (isRising ? u : 1.0 - u, exponent[i]);
        const auto shaped = isRising ? power : 1.0 - power;
        const auto glidePitch = from + (to - from) * shaped;
        const auto gliding = glides[i] != 0.0 && t >= glideStart[i];
        p = gliding ? glidePitch : p;
    }

    // The vibrato, inside its span only; outside it nothing is added but a zero, which turns a
    // negative zero positive. Its sine is skipped while no lane is inside its span.
    if constexpr (anyVibrato)
    {
        const auto span = vibratoPosition[i];
        const auto inSpan = span > 0.0 && span < 1.0;
        const auto nearerEnd = span < 1.0 - span ? span : 1.0 - span;
        const auto fade = vibFade[i] <= 0.0 ? 1.0 : unitClamped (nearerEnd / vibFade[i]);
        const auto vibrato = fastsine::sin (vibAngle[i] * span) * vibDepth[i] * fade;
        p = vibOn[i] != 0.0 ? p + (inSpan ? vibrato : 0.0) : p;
    }
    else
    {
        p = vibOn[i] != 0.0 ? p + 0.0 : p;
    }

    bendTarget[i] = p - headPitch[i];

    // Pressure and timbre at the same position of the same note.
    const auto fraction = curvePosition[i] - curveIndex[i];
    const auto pressureValue = pressurePoint[i] + pressureStep[i] * fraction;
    const auto timbreValue = timbrePoint[i] + timbreStep[i] * fraction;
    pressureTarget[i] = pressureValue * pressureScale / 100.0;
    timbreTarget[i] = (timbreValue - 0.5) * timbreScale / 100.0 + 0.5;
}

forcedinline void ExpressionLanes::smooth (int l, double k) noexcept
{
    const auto i = (size_t) l;
    bend[i] = (float) (bendTarget[i] + ((double) bend[i] - bendTarget[i]) * k);
    pressure[i] = (float) (pressureTarget[i] + ((double) pressure[i] - pressureTarget[i]) * k);
    timbre[i] = (float) (timbreTarget[i] + ((double) timbre[i] - timbreTarget[i]) * k);
}

void ExpressionLanes::compute (int count, const NoteTable& table, double v, double t,
                               const GlobalControls& controls, double k) noexcept
{
    const Inputs in { table.notes[0].curves[0].data(), v, t, controls.bend, controls.pressure, controls.timbre, k };
    // Whole vectors: eight lanes (two vectors of four) or all sixteen.
    count = count <= 8 ? 8 : laneCount;

    if (vectorWidth == 8)
        computeWidest (count, in);
    else if (vectorWidth == 4)
        computeWide (count, in);
    else
        computeNarrow (count, in);
}

// Loops of a fixed length, which the compiler vectorises whole.
template <int count>
forcedinline void ExpressionLanes::passes (const Inputs& in) noexcept
{
    for (int l = 0; l < count; ++l)
        positions (l, in.v, in.t);

    // Without branches, so that the comparison vectorises.
    auto moved = pointsRead ? 0 : 1;

    for (int l = 0; l < count; ++l)
    {
        const auto i = (size_t) l;
        moved |= (int) (pitchIndex[i] != pointsPitchIndex[i]) | (int) (curveIndex[i] != pointsCurveIndex[i]);
    }

    if (moved)
    {
        for (int l = 0; l < count; ++l)
            readPoints (l, in.points);

        // Lanes past count were not read: -1 is no segment, so they read when next computed.
        for (size_t i = 0; i < (size_t) laneCount; ++i)
        {
            pointsPitchIndex[i] = (int) i < count ? pitchIndex[i] : -1;
            pointsCurveIndex[i] = (int) i < count ? curveIndex[i] : -1;
        }

        pointsRead = true;
    }

    auto anyGliding = false, anyVibrato = false;

    for (int l = 0; l < count; ++l)
    {
        const auto i = (size_t) l;
        anyGliding = anyGliding || (glides[i] != 0.0 && in.t >= glideStart[i]);
        anyVibrato = anyVibrato || (vibOn[i] != 0.0 && vibratoPosition[i] > 0.0 && vibratoPosition[i] < 1.0);
    }

    if (anyGliding)
    {
        if (anyVibrato)
            targetPass<count, true, true> (in);
        else
            targetPass<count, true, false> (in);
    }
    else
    {
        if (anyVibrato)
            targetPass<count, false, true> (in);
        else
            targetPass<count, false, false> (in);
    }
}

template <int count, bool anyGliding, bool anyVibrato>
forcedinline void ExpressionLanes::targetPass (const Inputs& in) noexcept
{
    for (int l = 0; l < count; ++l)
    {
        targets<anyGliding, anyVibrato> (l, in.t, in.bendDepth, in.pressureScale, in.timbreScale);
        smooth (l, in.k);
    }
}

#define ZELK_LANE_PASSES(count)                                                                              \
    switch (count)                                                                                           \
    {                                                                                                        \
        case 8: passes<8> (in); break;                                                                       \
        default: passes<16> (in); break;                                                                    \
    }

ZELK_AVX512_TARGET void ExpressionLanes::computeWidest (int count, const Inputs& in) noexcept
{
    ZELK_LANE_PASSES (count)
}

ZELK_AVX2_TARGET void ExpressionLanes::computeWide (int count, const Inputs& in) noexcept
{
    ZELK_LANE_PASSES (count)
}

void ExpressionLanes::computeNarrow (int count, const Inputs& in) noexcept
{
    ZELK_LANE_PASSES (count)
}

#undef ZELK_LANE_PASSES

void ExpressionLanes::computeLane (int l, const NoteTable& table, double v, double t,
                                   const GlobalControls& controls) noexcept
{
    positions (l, v, t);
    readPoints (l, table.notes[0].curves[0].data());
    pointsRead = false;
    targets<true, true> (l, t, controls.bend, controls.pressure, controls.timbre);
}

} // namespace zelk
