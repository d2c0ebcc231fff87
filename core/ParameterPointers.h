#pragma once

#include "core/ModulationDestinations.h"
#include "core/Note.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <functional>

namespace zelk
{
using RawValue = std::atomic<float>*;

// Raw value pointers into the parameter tree, looked up once so that the audio thread never
// searches by identifier.
struct ParameterPointers
{
    std::array<RawValue, destinationCount> destinations {};
    std::array<std::array<RawValue, destinationCount>, lfoCount> routes {};
    std::array<std::array<RawValue, lfoPointCount>, lfoCount> points {};
    std::array<RawValue, lfoCount> sync {};
    std::array<std::array<RawValue, fieldsPerSlot>, slotCount> notes {};

    RawValue rangeEnabled = nullptr;
    RawValue rangeStart = nullptr;
    RawValue rangeEnd = nullptr;
    RawValue loopBars = nullptr;
    RawValue looping = nullptr;
    RawValue loop = nullptr;
    RawValue monitor = nullptr;
    RawValue enabled = nullptr;
    RawValue hearEdits = nullptr;
    RawValue uiTheme = nullptr;

    // rawValueOf gives the raw value of an identifier (never null for the layout's identifiers).
    static ParameterPointers bind (const std::function<RawValue (const juce::String&)>& rawValueOf);
};

inline bool isSwitchOn (float value) noexcept { return value > 0.5f; }
inline bool isSwitchOn (const RawValue value) noexcept { return value->load (std::memory_order_relaxed) > 0.5f; }

} // namespace zelk
