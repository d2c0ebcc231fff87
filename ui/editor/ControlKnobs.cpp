#include "ui/editor/ControlKnobs.h"

#include <array>
#include <cmath>

namespace zelk
{
namespace
{
// clang-format off
const std::array<ControlKnobSpec, controlKnobCount> specs { {
    { "pressure", "Pressure", "PRESSURE", " %", 100.0, "" },
    { "timbre", "Timbre", "TIMBRE", " %", 100.0, "" },
    { "transpose", "Transpose", "TRANSPOSE", " st", 0.0, "Transpose in whole semitones. Sounding notes retrigger when their transposed key changes." },
    { "velocity", "Velocity", "VELOCITY", " %", 100.0, "Velocity scale at note-on; does not change notes that have already started." },
    { "smooth", "Smoothing", "SMOOTHING", " ms", 5.0, "Smoothing for playback expression. MIDI expression updates at up to 250 Hz." },
} };
// clang-format on
} // namespace

const ControlKnobSpec& controlKnobSpec (int k) noexcept
{
    return specs[(size_t) juce::jlimit (1, controlKnobCount, k) - 1];
}

juce::String controlKnobText (int k, double value)
{
    // nearbyint rounds halves to even in the default rounding mode.
    const auto rounded = (juce::int64) std::nearbyint (value);
    return juce::String (rounded) + controlKnobSpec (k).unit;
}

double valueFromTypedText (const juce::String& text)
{
    const auto value = text.trimStart().getDoubleValue();
    return std::isfinite (value) ? value : 0.0;
}

} // namespace zelk
