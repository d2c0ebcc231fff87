#pragma once

#include "tests/helpers/EngineHarness.h"

#include <gtest/gtest.h>

namespace zelk::test
{
using juce::MidiMessage;

// The MPE configuration a receiver must see, written out independently of the engine.
inline std::vector<MidiMessage> expectedConfiguration()
{
    std::vector<MidiMessage> m;
    const auto rpn = [&m] (int channel, int parameter, int value)
    {
        for (const auto& [cc, v] : { std::pair { 101, 0 }, { 100, parameter }, { 6, value }, { 101, 127 }, { 100, 127 } })
            m.push_back (MidiMessage::controllerEvent (channel, cc, v));
    };

    rpn (1, 6, 15);
    rpn (1, 0, 2);

    for (int channel = 2; channel <= 16; ++channel)
        rpn (channel, 0, 48);

    return m;
}

// Neutral expression on every member channel, as stopping or a reset sends it (no notes held).
inline std::vector<MidiMessage> expectedNeutralMembers()
{
    std::vector<MidiMessage> m;

    for (int channel = 2; channel <= 16; ++channel)
    {
        m.push_back (MidiMessage::pitchWheel (channel, 8192));
        m.push_back (MidiMessage::channelPressureChange (channel, 0));
        m.push_back (MidiMessage::controllerEvent (channel, 74, 64));
    }

    return m;
}

inline std::vector<MidiMessage> concat (std::vector<MidiMessage> a, const std::vector<MidiMessage>& b)
{
    a.insert (a.end(), b.begin(), b.end());
    return a;
}

inline ::testing::AssertionResult sameMessages (const std::vector<MidiMessage>& actual, const std::vector<MidiMessage>& expected)
{
    for (size_t i = 0; i < std::max (actual.size(), expected.size()); ++i)
    {
        const auto a = i < actual.size() ? actual[i].getDescription() : juce::String ("(none)");
        const auto e = i < expected.size() ? expected[i].getDescription() : juce::String ("(none)");

        if (i >= actual.size() || i >= expected.size() || ! sameBytes (actual[i], expected[i]))
            return ::testing::AssertionFailure() << "message " << i << ": got " << a << ", expected " << e
                                                 << " (" << actual.size() << " vs " << expected.size() << " messages)";
    }

    return ::testing::AssertionSuccess();
}

} // namespace zelk::test
