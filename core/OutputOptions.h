#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

namespace zelk
{
// How the MPE stream is laid out for the receiving synth: settings of one instance, saved with its
// state but not parameters. The defaults are the MPE standard's lower zone with every channel.
struct OutputOptions
{
    enum class Zone
    {
        lower, // master channel 1, members from 2 upwards
        upper  // master channel 16, members from 15 downwards
    };

    enum class Pressure
    {
        channelPressure,
        polyAftertouch // on the note's key, for synths that read only that
    };

    static constexpr int minBendRange = 1, maxBendRange = 96, defaultBendRange = 48;
    static constexpr int maxMemberChannels = 15;
    // The master channel's range, which the configuration always announces.
    static constexpr int masterBendRange = 2;

    int bendRange = defaultBendRange;
    int memberChannels = maxMemberChannels;
    Zone zone = Zone::lower;
    bool configurationMessage = true;
    Pressure pressure = Pressure::channelPressure;

    bool operator== (const OutputOptions& other) const noexcept;
    bool operator!= (const OutputOptions& other) const noexcept { return ! (*this == other); }
    bool isDefault() const noexcept { return *this == OutputOptions {}; }

    // The same options with every number brought into its range.
    OutputOptions limited() const noexcept;

    bool upper() const noexcept { return zone == Zone::upper; }
    bool polyPressure() const noexcept { return pressure == Pressure::polyAftertouch; }

    int masterChannel() const noexcept { return upper() ? 16 : 1; }
    // The MIDI channel of member index 0 .. memberChannels - 1.
    int memberChannel (int index) const noexcept { return upper() ? 15 - index : 2 + index; }
    int lastMemberChannel() const noexcept { return memberChannel (memberChannels - 1); }
    // The zone's channels, master included, as one ascending range.
    int lowestZoneChannel() const noexcept { return upper() ? 16 - memberChannels : 1; }
    int highestZoneChannel() const noexcept { return upper() ? 16 : 1 + memberChannels; }

    // In 32 bits, so that the audio thread can take them from one atomic.
    uint32_t packed() const noexcept;
    static OutputOptions unpacked (uint32_t bits) noexcept;
};

// The options as the saved state holds them: an element beside "HostedInstrument".
namespace outputstate
{
inline const juce::Identifier elementType { "OutputOptions" };

// Nothing for the defaults, so that a state with them is the state earlier versions wrote.
std::unique_ptr<juce::XmlElement> elementFor (const OutputOptions& options);

struct Read
{
    OutputOptions options;
    bool damaged = false; // the element was there but held values no version writes
};

// No element gives the defaults; an attribute left out keeps its default.
Read fromElement (const juce::XmlElement* element);
} // namespace outputstate

// One line: "bend range 48, 15 member channels, lower zone, configuration sent, channel pressure".
juce::String describeOutputOptions (const OutputOptions& options);

} // namespace zelk
