#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <cstdint>

namespace zelk
{
// Counts changes of the pattern's parameters, so that the audio thread reads the 128 slots again
// only after one changed. The parameter tree calls its listeners after it has stored the new raw
// value, whichever way the value came (editor, host automation, a loaded state), so a reader that
// sees a new count also sees the values stored before it.
class PatternChanges : private juce::AudioProcessorValueTreeState::Listener
{
public:
    void watch (juce::AudioProcessorValueTreeState& parameters, const juce::String& identifier)
    {
        parameters.addParameterListener (identifier, this);
    }

    uint32_t count() const noexcept { return changes.load (std::memory_order_acquire); }

private:
    void parameterChanged (const juce::String&, float) override { changes.fetch_add (1, std::memory_order_release); }

    std::atomic<uint32_t> changes { 0 };
};

} // namespace zelk
