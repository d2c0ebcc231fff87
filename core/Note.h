#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zelk
{
// The pattern: 128 note slots, each stored field by field in plug-in parameters.
constexpr int slotCount = 128;
constexpr int curveCount = 3;
constexpr int curvePointCount = 33;
constexpr int fieldsPerSlot = 115;

// Pattern time is measured in quarter-note beats; the timeline holds 16380 pages of 16 beats.
constexpr double beatsPerPage = 16.0;
constexpr double timelineEnd = 262080.0;
constexpr double minimumDuration = 0.0625;

enum CurveIndex
{
    pitchCurve = 0,
    pressureCurve = 1,
    timbreCurve = 2
};

using NoteCurves = std::array<std::array<float, curvePointCount>, curveCount>;

// Pitch curves rest at 0 (no bend); pressure and timbre at the neutral 0.5.
constexpr NoteCurves defaultNoteCurves()
{
    NoteCurves c {};
    for (std::size_t i = 0; i < (std::size_t) curvePointCount; ++i)
    {
        c[pitchCurve][i] = 0.0f;
        c[pressureCurve][i] = 0.5f;
        c[timbreCurve][i] = 0.5f;
    }
    return c;
}

struct Note
{
    bool on = false;
    int32_t pitch = 60;
    int32_t next = -1;
    float start = 0.0f;
    float duration = 1.0f;
    float velocity = 100.0f;
    float glide = 0.25f;
    float glideShape = 0.0f;
    bool vibOn = false;
    float vibDepth = 0.35f;
    float vibCycles = 3.0f;
    float vibStart = 0.0f;
    float vibEnd = 1.0f;
    float vibFade = 0.2f;
    NoteCurves curves = defaultNoteCurves();

    float end() const noexcept { return start + duration; }
};

} // namespace zelk
