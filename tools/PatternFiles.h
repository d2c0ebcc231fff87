#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
class ZelkProcessor;
}

namespace zelk::cli
{
// Loads a Standard MIDI File or a saved Zelk state (its XML text, the plug-in's state block, or the
// Standalone application's settings file) into a fresh processor. Returns an empty string, or why
// the file cannot be used.
juce::String loadPattern (ZelkProcessor& processor, const juce::File& file);
// The same for a file's contents.
juce::String loadPatternData (ZelkProcessor& processor, const juce::MemoryBlock& bytes);

// The state as XML text, the same document the plug-in saves inside its state block.
bool saveStateXml (ZelkProcessor& processor, const juce::File& file);

juce::File argumentFile (const juce::String& argument);

} // namespace zelk::cli
