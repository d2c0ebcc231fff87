#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
// The five knobs of the CONTROLS page. Knob k (1..5) is modulation destination k.
constexpr int controlKnobCount = 5;

struct ControlKnobSpec
{
    const char* parameterId; // also the knob's component id
    const char* name;
    const char* caption; // on the knob's card
    const char* unit;
    double doubleClickValue;
    const char* tooltip; // empty when the knob has none
};

const ControlKnobSpec& controlKnobSpec (int k) noexcept;

// "100 %", "-3 st", "5 ms": the value rounded to a whole number (halves to even) and the unit.
juce::String controlKnobText (int k, double value);

// The leading decimal number of a typed text, ignoring any unit after it; 0 when there is none.
double valueFromTypedText (const juce::String& text);

} // namespace zelk
