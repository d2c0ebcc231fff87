// A fixed number of blocks of one benchmark pattern, for instruction counts that do not depend
// on the machine's load. Under
//   valgrind --tool=callgrind --toggle-collect='zelk::ZelkProcessor::processBlock*' zelk_block_profile full 200
// the count includes 200 start-up blocks: a run with 0 blocks measures those.
#include "bench/EnginePatterns.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace zelk;
using namespace zelk::bench;

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    const auto* which = argc > 1 ? argv[1] : "full";
    const auto blocks = argc > 2 ? std::atoi (argv[2]) : 200;

    void (*pattern) (ZelkProcessor&) = nullptr;

    if (std::strcmp (which, "typical") == 0)
        pattern = typicalPattern;
    else if (std::strcmp (which, "lfos") == 0)
        pattern = shapedLfosPattern;
    else if (std::strcmp (which, "full") == 0)
        pattern = fullPattern;
    else if (std::strcmp (which, "idle") != 0)
    {
        std::fprintf (stderr, "usage: zelk_block_profile [idle|lfos|typical|full] [blocks]\n");
        return 2;
    }

    ZelkProcessor processor;

    if (pattern != nullptr)
        pattern (processor);

    processor.prepareToPlay (sampleRate, blockSize);
    processor.playRequested = pattern == typicalPattern || pattern == fullPattern;

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;

    // The same start-up blocks as the benchmarks, then the measured ones.
    for (int i = 0; i < 200 + blocks; ++i)
        processor.processBlock (buffer, midi);

    std::printf ("%s: %d blocks, %d voices\n", which, blocks, (int) processor.activeVoiceCount.load());
    return 0;
}
