#pragma once

#include "core/ZelkProcessor.h"
#include "tests/helpers/FakePlayHead.h"

#include <vector>

namespace zelk::test
{
// An MPE controller played into a processor's MIDI input, as a host delivers it: messages whose
// time stamps are beats of the host's song position, in blocks whose sizes go round a list.
class LivePlayer
{
public:
    LivePlayer (ZelkProcessor& processor, FakePlayHead& host, double sampleRate = 48000.0);

    // Plays from the host's current position to `untilBeat`; the host's position advances with
    // the blocks while it plays, and stands while it is stopped (the messages then fall on the
    // samples they would have had at the host's tempo).
    void play (const std::vector<juce::MidiMessage>& performance, double untilBeat,
               const std::vector<int>& blockSizes = {512, 37, 1024, 300, 64});

    // One block of the given size with no input; time goes on as in play.
    void idle (int size = 512);

    int64_t samplesPlayed() const noexcept { return samples; }

private:
    ZelkProcessor& processor;
    FakePlayHead& host;
    double sampleRate;
    int64_t samples = 0;
    double beat = 0.0;
    juce::AudioBuffer<float> buffer{2, 4096};
    juce::MidiBuffer midi;
};

// An MPE performance at 250 Hz: the lower zone's configuration, then C4 on channel 2 from beat
// 1 sliding up to E4 over beats 2..2.25 and held to 3, with pressure rising from 0 to 1; and G4
// on channel 3 from 1.5 to 2.5 with controller 74 at 100. Offsets are added to every beat.
std::vector<juce::MidiMessage> mpePerformance (double offset = 0.0);

} // namespace zelk::test
