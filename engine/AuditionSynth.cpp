#include "engine/AuditionSynth.h"

#include <cmath>

namespace zelk
{
namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;
} // namespace

float AuditionSynth::keyFrequency (int key) noexcept
{
    return (float) (440.0 * std::pow (2.0, (key - 69) / 12.0));
}

void AuditionSynth::prepare (double newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    reset();
}

void AuditionSynth::reset() noexcept
{
    voices.fill (SynthVoice {});
    smoothing = (float) (1.0 - std::exp (-1.0 / (sampleRate * 0.004)));

    for (size_t v = 0; v < voices.size(); ++v)
    {
        retune (v, voices[v].frequency);
        updateSounding (v);
    }
}

void AuditionSynth::updateSounding (size_t voice) noexcept
{
    const auto& v = voices[voice];
    const auto bit = 1u << voice;
    sounding = v.amplitude != 0.0f || v.targetAmplitude != 0.0f ? sounding | bit : sounding & ~bit;
}

void AuditionSynth::retune (size_t voice, float hertz) noexcept
{
    voices[voice].frequency = hertz;
    increments[voice] = hertz / sampleRate;
}

void AuditionSynth::setFrequency (int channel, float hertz) noexcept
{
    if (channel >= 1 && channel <= voiceCount)
        retune ((size_t) (channel - 1), hertz);
}

void AuditionSynth::handle (const juce::MidiMessage& message) noexcept
{
    const auto channel = message.getChannel();

    if (channel < 1 || channel > voiceCount)
        return;

    auto& v = voices[(size_t) (channel - 1)];

    if (message.isNoteOn())
    {
        v.note = message.getNoteNumber();
        v.targetAmplitude = (float) message.getVelocity() / 127.0f * 0.06f;
        updateSounding ((size_t) (channel - 1));
    }
    else if (message.isNoteOff() || message.isAllNotesOff() || message.isAllSoundOff())
    {
        v.targetAmplitude = 0.0f;
        updateSounding ((size_t) (channel - 1));
    }
    else if (message.isPitchWheel())
    {
        const auto bend = (message.getPitchWheelValue() - 8192) / 8192.0 * 4.0;
        retune ((size_t) (channel - 1), (float) (440.0 * std::pow (2.0, (v.note - 69) / 12.0) * std::pow (2.0, bend)));
    }
    else if (message.isControllerOfType (74))
    {
        v.brightness = (float) message.getControllerValue() / 127.0f;
    }
    else if (message.isChannelPressure())
    {
        // A released voice stays released.
        if (v.targetAmplitude != 0.0f)
        {
            v.targetAmplitude = 0.015f + 0.055f * (float) message.getChannelPressureValue() / 127.0f;
            updateSounding ((size_t) (channel - 1));
        }
    }
}

float AuditionSynth::renderSample (bool withOutput) noexcept
{
    auto sum = 0.0;

    for (size_t i = 0; i < voices.size(); ++i)
    {
        auto& v = voices[i];

        // The bit says whether amplitude or target is non-zero, kept up to date wherever they change.
        if ((sounding >> i) & 1u)
        {
            v.amplitude += smoothing * (v.targetAmplitude - v.amplitude);
            updateSounding (i);
            v.phase += increments[i];

            // Inside (0, 1) the floor is 0 and subtracting it changes nothing: no call.
            if (! (v.phase > 0.0 && v.phase < 1.0))
                v.phase -= std::floor (v.phase);

            if (! withOutput)
                continue;

            // sin 4 pi p = 2 sin 2 pi p cos 2 pi p: one sine and cosine pair per voice instead of two
            // sines; the difference is far below the output's single precision.
            const auto s = std::sin (twoPi * v.phase);
            const auto c = std::cos (twoPi * v.phase);
            sum += (s + 0.2 * v.brightness * (2.0 * s * c)) * v.amplitude;
        }
        else
        {
            // A silent voice still keeps its phase running, so a later note starts where it would have.
            v.phase += increments[i];

            if (v.phase >= 1.0)
                v.phase -= v.phase < 2.0 ? 1.0 : std::floor (v.phase);
        }
    }

    return (float) sum;
}

} // namespace zelk
