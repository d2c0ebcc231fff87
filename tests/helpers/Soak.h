#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace zelk::test
{
// A long offline run of the processor as a host would drive it, with seeded random host
// automation of every kind of parameter, transport jumps and tempo changes, loop changes, stop
// requests, auditions and state reloads, checking every block's audio and MIDI as it goes.
struct SoakSettings
{
    juce::int64 seed = 20260518;
    // Music to play, in seconds, half of it at each rate; the rate changes after a stop midway.
    double seconds = 3600.0;
    double firstRate = 48000.0;
    double secondRate = 44100.0;
    // One run of blocks in `randomSizesEvery` has random sizes from 1 to 4096 (more small sizes
    // than large); the others have blocks of 512.
    int randomSizesEvery = 10;
};

struct SoakReport
{
    juce::int64 blocks = 0, blocksOf512 = 0, samples = 0;
    juce::int64 blocksOf512AtFirstRate = 0;
    double musicSeconds = 0.0;
    juce::int64 midiMessages = 0, noteOns = 0;
    std::size_t allocations = 0;
    int automations = 0, jumps = 0, loopChanges = 0, stops = 0, reloads = 0, auditions = 0;
    int failures = 0;
    juce::StringArray firstFailures;
};

// Runs the soak; `progress` is called now and then with the report so far.
SoakReport runSoak (const SoakSettings& settings, const std::function<void (const SoakReport&)>& progress = {});

} // namespace zelk::test
