#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace zelk::test
{
// Builds Standard MIDI Files in memory.
struct TrackNote
{
    int key;
    int startTick;
    int endTick;
    int velocity = 100;
    int channel = 1;
};

juce::MidiMessageSequence trackOf (const std::vector<TrackNote>& notes);
juce::MemoryBlock midiFileBytes (const std::vector<juce::MidiMessageSequence>& tracks, int ppq = 480, int format = 1);
juce::File writeTemporaryFile (const juce::MemoryBlock& bytes, const juce::String& extension = ".mid");

} // namespace zelk::test
