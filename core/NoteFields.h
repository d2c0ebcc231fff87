#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
// Field numbers of a slot's 115 parameters; the identifier is "note" + (slot + 1) + "_" + field name.
namespace field
{
constexpr int on = 0;
constexpr int pitch = 1;
constexpr int start = 2;
constexpr int duration = 3;
constexpr int velocity = 4;
constexpr int firstCurvePoint = 5;
constexpr int next = 104;
constexpr int glide = 105;
constexpr int glideShape = 106;
constexpr int startPage = 107;
constexpr int durationPage = 108;
constexpr int vibOn = 109;
constexpr int vibDepth = 110;
constexpr int vibCycles = 111;
constexpr int vibStart = 112;
constexpr int vibEnd = 113;
constexpr int vibFade = 114;

constexpr int curvePoint (int curve, int point) noexcept { return firstCurvePoint + curve * 33 + point; }
} // namespace field

// The field name of a field number ("on", "curve1_7", "vibFade", ...); empty outside 0..114.
juce::String noteFieldName (int fieldNumber);

// "note" + (slot + 1) + "_" + field name.
juce::String noteParameterId (int slot, int fieldNumber);

} // namespace zelk
