#include "tests/helpers/LivePlayer.h"

#include <algorithm>

namespace zelk::test
{
LivePlayer::LivePlayer (ZelkProcessor& p, FakePlayHead& h, double rate)
    : processor (p)
    , host (h)
    , sampleRate (rate)
{
    midi.ensureSize (1 << 20);
    beat = host.ppq ? *host.ppq : 0.0;
}

void LivePlayer::play (const std::vector<juce::MidiMessage>& performance, double untilBeat,
                       const std::vector<int>& blockSizes)
{
    const auto beatsPerSample = (host.bpm ? *host.bpm : 120.0) / (60.0 * sampleRate);
    size_t nextSize = 0, next = 0;

    while (beat < untilBeat)
    {
        const auto size = blockSizes[nextSize++ % blockSizes.size()];
        const auto blockEnd = beat + size * beatsPerSample;
        midi.clear();

        for (; next < performance.size() && performance[next].getTimeStamp() < blockEnd; ++next)
        {
            const auto offset =
                std::clamp ((int) ((performance[next].getTimeStamp() - beat) / beatsPerSample), 0, size - 1);
            midi.addEvent (performance[next], offset);
        }

        buffer.setSize (2, size, false, false, true);
        processor.processBlock (buffer, midi);
        samples += size;
        beat = blockEnd;

        if (host.playing)
            host.ppq = beat;
    }
}

void LivePlayer::idle (int size)
{
    midi.clear();
    buffer.setSize (2, size, false, false, true);
    processor.processBlock (buffer, midi);
    samples += size;
    beat += size * (host.bpm ? *host.bpm : 120.0) / (60.0 * sampleRate);

    if (host.playing)
        host.ppq = beat;
}

std::vector<juce::MidiMessage> mpePerformance (double offset)
{
    std::vector<juce::MidiMessage> m;
    const auto at = [&m, offset] (juce::MidiMessage message, double beat)
    {
        message.setTimeStamp (beat + offset);
        m.push_back (message);
    };

    at (juce::MidiMessage::controllerEvent (1, 101, 0), 0.0);
    at (juce::MidiMessage::controllerEvent (1, 100, 6), 0.0);
    at (juce::MidiMessage::controllerEvent (1, 6, 15), 0.0);

    const auto bendOf = [] (double semitones) { return 8192 + (int) std::lround (semitones / 48.0 * 8192.0); };
    at (juce::MidiMessage::pitchWheel (2, 8192), 1.0);

    at (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 1.0);
    at (juce::MidiMessage::controllerEvent (3, 74, 100), 1.5);
    at (juce::MidiMessage::noteOn (3, 67, (juce::uint8) 80), 1.5);

    for (int i = 0; i < 250; ++i)
    {
        const auto t = 1.0 + i * 0.008;
        const auto slide = t < 2.0 ? 0.0 : std::min (1.0, (t - 2.0) / 0.25) * 4.0;
        at (juce::MidiMessage::pitchWheel (2, bendOf (slide)), t);
        at (juce::MidiMessage::channelPressureChange (2, (int) std::lround ((t - 1.0) / 2.0 * 127.0)), t);
    }

    at (juce::MidiMessage::noteOff (3, 67), 2.5);
    at (juce::MidiMessage::noteOff (2, 60), 3.0);
    std::stable_sort (m.begin(), m.end(),
                      [] (const auto& a, const auto& b) { return a.getTimeStamp() < b.getTimeStamp(); });
    return m;
}

} // namespace zelk::test
