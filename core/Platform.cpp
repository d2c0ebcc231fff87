#include "core/Platform.h"

namespace zelk::platform
{
juce::File documentsFolder()
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
}

juce::File temporaryFolder()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory);
}

juce::File defaultVst3Folder()
{
#if JUCE_WINDOWS
    return juce::File ("C:/Program Files/Common Files/VST3");
#elif JUCE_MAC
    return juce::File ("/Library/Audio/Plug-Ins/VST3");
#else
    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3");
#endif
}

} // namespace zelk::platform
