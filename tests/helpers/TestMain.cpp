#include "core/Platform.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// JUCE's message manager must exist for parameters, asynchronous updates and VST 3 hosting.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    zelk::platform::stayOffUnnamedDisplays();
    const juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
