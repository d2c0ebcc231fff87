#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace zelk
{
class ZelkProcessor;

// The plug-in window.
class ZelkEditor : public juce::AudioProcessorEditor
{
public:
    explicit ZelkEditor (ZelkProcessor& processor);

    void paint (juce::Graphics& g) override;

private:
    ZelkProcessor& zelkProcessor;
    juce::Image logo;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZelkEditor)
};

} // namespace zelk
