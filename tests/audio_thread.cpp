#include "tests/helpers/AllocationCounter.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;

TEST (AudioThread, ProcessBlockNeverAllocates)
{
    ZelkProcessor processor;
    processor.prepareToPlay (48000.0, 512);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);

    test::AllocationCounter counter;

    for (int block = 0; block < 400; ++block)
    {
        if (block == 100)
            processor.stopRequested = true;

        processor.processBlock (buffer, midi);
    }

    EXPECT_EQ (counter.count(), 0u);
}
