// The Standalone application's entry point: JUCE's own Standalone, once a window can be opened.
// Without a display JUCE would only fail when its first window opens; this says so in one line.
#include "core/Platform.h"

#include <juce_events/juce_events.h>

#include <iostream>

juce::JUCEApplicationBase* juce_CreateApplication();

extern "C" JUCE_MAIN_FUNCTION
{
    if (const auto problem = zelk::platform::windowSystemProblem(); problem.isNotEmpty())
    {
        std::cerr << "Zelk: " << problem << std::endl;
        return 1;
    }

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (JUCE_MAIN_FUNCTION_ARGS);
}
