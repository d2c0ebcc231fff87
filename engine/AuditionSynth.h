#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

namespace zelk
{
// One sine voice per MIDI channel, driven by exactly the MIDI the engine sends.
struct SynthVoice
{
    double phase = 0.0;
    float frequency = 440.0f;
    float amplitude = 0.0f;
    float targetAmplitude = 0.0f;
    float brightness = 0.5f;
    int32_t note = 60;
};

// The small MPE-aware tone generator behind the LISTEN button.
class AuditionSynth
{
public:
    static constexpr int voiceCount = 16;

    void prepare (double sampleRate) noexcept;
    void reset() noexcept;

    // Follows one message the engine sent; the voice is the message's channel.
    void handle (const juce::MidiMessage& message) noexcept;

    // The engine corrects the pitch after a note-on, when the bend sent before it still used the
    // channel's previous key.
    void setFrequency (int channel, float hertz) noexcept;

    // Advances every voice by one sample and returns the sum of the voices; without output (when
    // nobody hears it) the voices advance just the same but no sine is computed and 0 is returned.
    float renderSample (bool withOutput = true) noexcept;

    const SynthVoice& voice (int index) const noexcept { return voices[(size_t) index]; }

    static float keyFrequency (int key) noexcept;

private:
    void retune (size_t voice, float hertz) noexcept;
    void updateSounding (size_t voice) noexcept;

    std::array<SynthVoice, voiceCount> voices {};
    // frequency / sample rate of each voice, kept with the frequency so the per-sample loop
    // does not divide.
    std::array<double, voiceCount> increments {};
    double sampleRate = 48000.0;
    float smoothing = 0.0f;
    // Bit v: voice v's amplitude or target is not zero, so it renders a sine.
    uint32_t sounding = 0;
};

} // namespace zelk
