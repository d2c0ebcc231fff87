#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace zelk::cli
{
// The transport of a host at 120 BPM, as the commands that host a built plug-in drive it.
struct HostTransport : juce::AudioPlayHead
{
    bool playing = false;
    double ppq = 0.0;

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setIsPlaying (playing);
        info.setBpm (120.0);
        info.setPpqPosition (ppq);
        return info;
    }
};

} // namespace zelk::cli
