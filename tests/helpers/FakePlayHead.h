#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <optional>

namespace zelk::test
{
// A host transport the test controls: playing flag, tempo and song position.
struct FakePlayHead : juce::AudioPlayHead
{
    bool reportsPosition = true;
    bool playing = false;
    std::optional<double> bpm = 120.0;
    std::optional<double> ppq = 0.0;

    juce::Optional<PositionInfo> getPosition() const override
    {
        if (! reportsPosition)
            return {};

        PositionInfo info;
        info.setIsPlaying (playing);

        if (bpm)
            info.setBpm (*bpm);

        if (ppq)
            info.setPpqPosition (*ppq);

        return info;
    }
};

} // namespace zelk::test
