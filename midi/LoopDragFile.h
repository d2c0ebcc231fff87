#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
class ZelkProcessor;

// The loop as a file to drag into another application: written as EXPORT MIDI writes it, output
// options included, into a folder of Zelk's own.
struct LoopDragFile
{
    juce::File file;
    juce::String error; // one line, empty when the file was written

    bool ok() const noexcept { return error.isEmpty(); }
};

// "Zelk loop 4 bars.mid"; a loop that is not whole 4/4 bars is named in beats
// ("Zelk loop 1 bar.mid", "Zelk loop 5.5 beats.mid").
juce::String loopDragFileName (double loopBeats);

// Renders the processor's loop into folder / loopDragFileName, replacing an earlier file of that name.
LoopDragFile writeLoopDragFile (ZelkProcessor& processor, const juce::File& folder);

// Deletes the MIDI files in the folder last written before `now - age`; returns how many.
int removeStaleLoopDragFiles (const juce::File& folder, juce::Time now,
                              juce::RelativeTime age = juce::RelativeTime::days (1.0));

} // namespace zelk
