#pragma once

#include "core/ZelkProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace zelk::test
{
float valueOf (ZelkProcessor& processor, const juce::String& identifier);
juce::MemoryBlock saveState (ZelkProcessor& processor);
void loadState (ZelkProcessor& processor, const juce::MemoryBlock& state);

// Wraps XML text as a saved state block, as the framework does.
juce::MemoryBlock wrapStateXml (const juce::String& xml);
juce::String stateXml (ZelkProcessor& processor);

// Runs the message loop long enough for pending asynchronous updates to run.
void runMessageLoop (int milliseconds = 50);

// Writes a plain note (defaults but for these fields) into a slot, and returns it.
// An "on" note with default fields apart from start, duration and pitch.
Note plainNote (float start, float duration, int pitch = 60);
Note writePlainNote (ZelkProcessor& processor, int slot, float start, float duration, int pitch);
// Connects slot `from` to slot `to` through its "next" parameter.
void linkNotes (ZelkProcessor& processor, int from, int to);

// A note with a recognisable value in every field.
Note distinctiveNote (int seed);

} // namespace zelk::test
