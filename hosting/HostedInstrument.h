#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <bitset>
#include <memory>

namespace zelk
{
class ZelkProcessor;

// The VST 3 instrument Zelk may run inside itself, and its part of the saved state. The
// message thread loads, unloads and saves under `lock`; the audio thread only tries it.
class HostedInstrument : private juce::AsyncUpdater
{
public:
    explicit HostedInstrument (ZelkProcessor& owner);
    ~HostedInstrument() override;

    // Saved state: the pending element of a restored state when there is one, else the loaded
    // instrument's "HostedInstrument" element, else an invalid tree.
    juce::ValueTree savedStateElement();

    // Keeps the element (invalid when the state had none) and loads it later on the message thread.
    void restoreFromState (const juce::ValueTree& element);

    void unloadInstrument();

    void prepare (double newSampleRate, int newBlockSize);
    void release();

    // Replaces the block's audio with the instrument's and keeps its MIDI from the host.
    void process (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) noexcept;

    bool hasInstance() const;
    juce::String instrumentName() const;
    juce::String statusText() const;

    std::atomic<bool> instrumentActive { false };
    std::atomic<bool> instrumentLoading { false };
    std::atomic<bool> instrumentResync { false };
    std::atomic<bool> instrumentFlush { false };
    std::atomic<bool> instrumentMute { false };

    mutable juce::CriticalSection lock;

    static inline const juce::Identifier elementType { "HostedInstrument" };
    static inline const juce::Identifier pathProperty { "path" };
    static inline const juce::Identifier stateProperty { "state" };

private:
    void handleAsyncUpdate() override;

    ZelkProcessor& owner;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::AudioBuffer<float> scratch { 2, 512 };
    juce::MidiBuffer instrumentMidi;
    double sampleRate = 48000.0;
    int blockSize = 512;
    juce::String path, name, status;
    juce::ValueTree pendingState;
    std::bitset<16 * 128> soundingNotes;
    bool muted = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostedInstrument)
};

} // namespace zelk
