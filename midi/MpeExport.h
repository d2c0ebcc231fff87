#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
class ZelkProcessor;

// Writes one loop of the pattern, as playback would send it, to an MPE Standard MIDI File
// (format 1, one track, 960 ticks per quarter note, 120 BPM). False when the file cannot be
// opened or written.
bool exportMpeMidi (ZelkProcessor& processor, const juce::File& file);

// The file an export writes for a chosen name: its extension becomes "mid".
juce::File exportTarget (const juce::File& chosen);

} // namespace zelk
