#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

namespace zelk::test
{
// Follows what a processor emits block after block, as a receiver would take it, and keeps what
// was wrong: MIDI that is malformed, out of range or outside its block; a second note on a
// member channel before the first ended; a note-off for a note that does not sound; audio that
// is not finite or louder than the audition synth can be.
class StreamCheck
{
public:
    // Sixteen voices at the synth's loudest amplitude (full pressure), with the second harmonic.
    static constexpr float loudest = 16.0f * 0.07f * 1.2f + 1.0e-3f;

    void midiBlock (const juce::MidiBuffer& midi, int numSamples, int64_t block);
    void audioBlock (const juce::AudioBuffer<float>& audio, int64_t block);
    void fail (int64_t block, const juce::String& what);

    // The notes sounding now, as "channel/key" pairs, or an empty string.
    juce::String soundingNotes() const;
    bool anySounding() const;

    int64_t messages() const noexcept { return messageCount; }
    int64_t noteOns() const noexcept { return noteOnCount; }
    int failureCount() const noexcept { return failures; }
    // The first few failures, one a line.
    const juce::StringArray& firstFailures() const noexcept { return described; }

private:
    void message (const juce::MidiMessage& m, int position, int numSamples, int64_t block);

    std::array<int, 17> sounding { -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1 };
    int64_t messageCount = 0, noteOnCount = 0;
    int failures = 0;
    juce::StringArray described;
};

} // namespace zelk::test
