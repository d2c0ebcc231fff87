#pragma once

#include "engine/AuditionSynth.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>

namespace zelk
{
// The one way the engine sends MIDI: into the block's buffer at a sample offset (events at one
// offset keep their order) and on to the audition synth. The buffer's storage is reserved in
// prepareToPlay, so adding an event does not allocate.
class MidiSender
{
public:
    MidiSender (juce::MidiBuffer& bufferToUse, AuditionSynth& synthToUse) noexcept
        : buffer (bufferToUse), synth (synthToUse), lastOffset (buffer.isEmpty() ? -1 : buffer.getLastEventTime())
    {
    }

    void send (const juce::MidiMessage& message, int offset) noexcept
    {
        // The engine sends in sample order: the event goes at the end, where the buffer's own
        // insertion would put it after walking every event already there.
        if (offset >= lastOffset && appendsAtEnd)
            append (message, offset);
        else
            buffer.addEvent (message, offset);

        lastOffset = std::max (lastOffset, offset);
        synth.handle (message);
    }

    void noteOn (int channel, int key, int velocity, int offset) noexcept { send (juce::MidiMessage::noteOn (channel, key, (juce::uint8) velocity), offset); }
    void noteOff (int channel, int key, int offset) noexcept { send (juce::MidiMessage::noteOff (channel, key, (juce::uint8) 0), offset); }
    void pitchBend (int channel, int value, int offset) noexcept { send (juce::MidiMessage::pitchWheel (channel, value), offset); }
    void pressure (int channel, int value, int offset) noexcept { send (juce::MidiMessage::channelPressureChange (channel, value), offset); }
    void controller (int channel, int number, int value, int offset) noexcept { send (juce::MidiMessage::controllerEvent (channel, number, value), offset); }
    void polyPressure (int channel, int key, int value, int offset) noexcept { send (juce::MidiMessage::aftertouchChange (channel, key, value), offset); }

    AuditionSynth& auditionSynth() noexcept { return synth; }

private:
    void append (const juce::MidiMessage& message, int offset) noexcept;

    // Whether this JUCE's MidiBuffer stores events as the appending above writes them; checked once
    // when the library loads, against the buffer's own insertion (addEvent is used otherwise).
    static const bool appendsAtEnd;

    juce::MidiBuffer& buffer;
    AuditionSynth& synth;
    int lastOffset;
};

} // namespace zelk
