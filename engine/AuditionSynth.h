#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>

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

    AuditionSynth() noexcept;

    void prepare (double sampleRate) noexcept;
    void reset() noexcept;

    // Follows one message the engine sent; the voice is the message's channel. Polyphonic
    // aftertouch on a voice's key counts as its channel pressure.
    void handle (const juce::MidiMessage& message) noexcept;

    // The member channels' bend range that pitch-bend messages are read with (48 by default).
    void setBendRange (int semitones) noexcept;

    // The engine corrects the pitch after a note-on, when the bend sent before it still used the
    // channel's previous key.
    void setFrequency (int channel, float hertz) noexcept;

    // Within a block the synth renders lazily: the engine names the sample it is working on, and
    // a message or a retune first renders the samples before it with the voices as they were.
    // Between changes (a handful per block) the voices run in long stretches. Without an output
    // (nobody hears the synth) the voices advance just the same.
    void beginBlock (float* output) noexcept;
    void moveTo (int sample) noexcept { position = sample; }
    void endBlock (int numSamples) noexcept;

    // Advances every voice by numSamples samples; with an output, writes the sum of the voices of
    // each sample there.
    void render (float* output, int numSamples) noexcept;

    // One sample: the sum of the voices, or 0 without output.
    float renderSample (bool withOutput = true) noexcept;

    const SynthVoice& voice (int index) const noexcept { return voices[(size_t) index]; }

    static float keyFrequency (int key) noexcept;

    // The voices' running state as one array per field, so that one instruction serves two or
    // four voices; lane i holds voice `voice[i]`.
    struct Lanes
    {
        alignas (16) std::array<double, voiceCount> phase;
        alignas (16) std::array<double, voiceCount> increment;
        alignas (16) std::array<float, voiceCount> amplitude;
        alignas (16) std::array<float, voiceCount> target;
        // 0.2 x brightness: the level of the second harmonic.
        alignas (16) std::array<double, voiceCount> brightness;
        std::array<uint8_t, voiceCount> voice;
    };

private:
    // The most samples rendered in one go, for which the scratch below keeps every lane's phase and
    // amplitude.
    static constexpr int stretchLength = 64;

    void retune (size_t voice, float hertz) noexcept;
    void updateSounding (size_t voice) noexcept;
    void catchUp() noexcept;
    void renderStretch (Lanes& lanes, size_t soundingCount, float* output, int numSamples) noexcept;
    void renderStretchSlowly (Lanes& lanes, size_t soundingCount, float* output, int numSamples) noexcept;

    std::array<SynthVoice, voiceCount> voices {};
    // frequency / sample rate of each voice, kept with the frequency so that rendering does not
    // divide.
    std::array<double, voiceCount> increments {};
    double sampleRate = 48000.0;
    float smoothing = 0.0f;
    // Four voices to a vector for the advance and the mix, eight for the mix (see VectorWidth.h).
    bool wide = false;
    bool widest = false;
    // 440 x 2^((key - 69) / 12) of every MIDI key, which a bend message would otherwise compute
    // with the C library's power.
    std::array<double, 128> keyHertz;
    // 2^(bend / 12) of every pitch-bend value at the default range, shared by all synths.
    const double* bendFactors = nullptr;
    int bendRange = 48;
    // Bit v: voice v's amplitude or target is not zero, so it renders a sine.
    uint32_t sounding = 0;

    // The block being rendered: where its samples go, the sample the engine is at and the first
    // sample not yet rendered.
    float* blockOutput = nullptr;
    int position = 0;
    int rendered = 0;

    // One stretch's phase and amplitude of every lane at every sample.
    alignas (16) std::array<double, stretchLength * voiceCount> phaseAt;
    alignas (16) std::array<double, stretchLength * voiceCount> amplitudeAt;
};

} // namespace zelk
