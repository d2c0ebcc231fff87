#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace zelk
{
// 21 destinations + 3 x 31 LFO extras + 10 global settings + 128 x 115 note fields.
constexpr int parameterCount = 14844;

// The plug-in's whole parameter list, in the order the host sees it.
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

juce::String lfoSyncId (int lfo);
juce::String lfoPointId (int lfo, int point);

} // namespace zelk
