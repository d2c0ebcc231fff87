#pragma once

#include "core/ZelkProcessor.h"
#include "tests/helpers/FakePlayHead.h"

#include <functional>
#include <vector>

namespace zelk::test
{
// A tempo at which one beat is exactly 32768 samples at 48 kHz, so that note boundaries fall on
// exact samples and a song position advanced block by block never drifts.
constexpr double exactTempo = 87.890625;
constexpr int64_t samplesPerBeat = 32768;
// One MIDI message the processor emitted, at its absolute sample position since the harness
// started (block start + offset).
struct CapturedEvent
{
    int64_t sample = 0;
    juce::MidiMessage message;

    int channel() const { return message.getChannel(); }
    bool isNoteOn (int ch, int key) const { return message.isNoteOn() && channel() == ch && message.getNoteNumber() == key; }
    bool isNoteOff (int ch, int key) const { return message.isNoteOff() && channel() == ch && message.getNoteNumber() == key; }
    bool isBend (int ch, int value) const { return message.isPitchWheel() && channel() == ch && message.getPitchWheelValue() == value; }
    bool isPressure (int ch, int value) const { return message.isChannelPressure() && channel() == ch && message.getChannelPressureValue() == value; }
    bool isController (int ch, int number, int value) const
    {
        return message.isController() && channel() == ch && message.getControllerNumber() == number
            && message.getControllerValue() == value;
    }
};

using Events = std::vector<CapturedEvent>;

// Drives a processor block by block like a host: a fake play head whose song position advances
// with the blocks while it plays, and every emitted message captured in order.
class EngineHarness
{
public:
    explicit EngineHarness (double sampleRate = 48000.0, int blockSize = 512, bool withPlayHead = true);

    ZelkProcessor processor;
    FakePlayHead host;

    // Prepares again, so that parameters set since start without the LFO engine's 20 ms ramps.
    void prepare() { processor.prepareToPlay (sampleRate, blockSize); }

    // Runs blocks and returns the messages they emitted.
    Events run (int blocks);
    // Runs until at least `samples` samples have been processed.
    Events runSamples (int64_t samples);
    Events runBlock (int size);

    void set (const juce::String& identifier, float value) { processor.setParameterValue (identifier, value); }
    void note (int slot, float start, float duration, int pitch = 60, int next = -1);
    void note (int slot, const Note& note) { processor.writeNote (slot, note); }

    int64_t samplesDone() const noexcept { return position; }
    const juce::AudioBuffer<float>& lastAudio() const noexcept { return buffer; }
    double beatsToSamples (double beats) const { return beats * 60.0 / *host.bpm * sampleRate; }

private:
    double sampleRate;
    int blockSize;
    int64_t position = 0;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};

// Starts the fake host at the exact tempo and song position ppq after one idle block; returns the
// sample where playback begins.
int64_t startHost (EngineHarness& h, double ppq = 0.0);

// Selections of a captured stream.
Events only (const Events& events, const std::function<bool (const CapturedEvent&)>& keep);
Events noteOns (const Events& events);
Events noteOffs (const Events& events);
Events onChannel (const Events& events, int channel);
Events bends (const Events& events, int channel);
Events at (const Events& events, int64_t sample);

// Whether two messages have the same bytes, for comparing whole sequences.
bool sameBytes (const juce::MidiMessage& a, const juce::MidiMessage& b);
std::vector<juce::MidiMessage> messagesOf (const Events& events);

} // namespace zelk::test
