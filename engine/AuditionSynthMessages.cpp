#include "engine/AuditionSynth.h"

#include "core/OutputOptions.h"

#include "engine/PortableMath.h"
#include "engine/VectorWidth.h"

// The synth's message input: the voices follow exactly the MIDI the engine sends.
namespace zelk
{
namespace
{
// 440 x 2^((key - 69) / 12): equal temperament around A4.
double keyHertzOf (int key) noexcept
{
    return 440.0 * portable::pow2 ((key - 69) / 12.0);
}

// 2^((b - 8192) / 8192 x 4) for every 14-bit pitch-bend value b, as a bend message computes it.
// Built when the first synth is made, on the thread making it, never on the audio thread.
struct BendFactors
{
    BendFactors() noexcept
    {
        for (int b = 0; b < (int) factor.size(); ++b)
            factor[(size_t) b] = portable::pow2 ((b - 8192) / 8192.0 * 4.0);
    }

    std::array<double, 16384> factor;
};

const double* bendFactorTable() noexcept
{
    static const BendFactors table;
    return table.factor.data();
}
} // namespace

AuditionSynth::AuditionSynth() noexcept : bendFactors (bendFactorTable())
{
    for (int key = 0; key < (int) keyHertz.size(); ++key)
        keyHertz[(size_t) key] = keyHertzOf (key);

    const auto width = vectors::width();
    wide = ZELK_VECTOR_TARGETS && width >= 4;
    widest = ZELK_VECTOR_TARGETS && width >= 8;
}

float AuditionSynth::keyFrequency (int key) noexcept
{
    return (float) keyHertzOf (key);
}

void AuditionSynth::setBendRange (int semitones) noexcept
{
    bendRange = juce::jlimit (OutputOptions::minBendRange, OutputOptions::maxBendRange, semitones);
}

void AuditionSynth::setFrequency (int channel, float hertz) noexcept
{
    if (channel >= 1 && channel <= voiceCount)
    {
        catchUp();
        retune ((size_t) (channel - 1), hertz);
    }
}

void AuditionSynth::handle (const juce::MidiMessage& message) noexcept
{
    const auto channel = message.getChannel();

    if (channel < 1 || channel > voiceCount)
        return;

    catchUp();
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
        const auto hertz = v.note >= 0 && v.note < (int) keyHertz.size() ? keyHertz[(size_t) v.note] : keyHertzOf (v.note);
        const auto bend = message.getPitchWheelValue() & 0x3fff;
        const auto factor = bendRange == OutputOptions::defaultBendRange
                              ? bendFactors[(size_t) bend]
                              : portable::pow2 ((bend - 8192) / 8192.0 * bendRange / 12.0);
        retune ((size_t) (channel - 1), (float) (hertz * factor));
    }
    else if (message.isControllerOfType (74))
    {
        v.brightness = (float) message.getControllerValue() / 127.0f;
    }
    else if (message.isChannelPressure() || (message.isAftertouch() && message.getNoteNumber() == v.note))
    {
        // A released voice stays released.
        if (v.targetAmplitude != 0.0f)
        {
            const auto pressure = message.isChannelPressure() ? message.getChannelPressureValue() : message.getAfterTouchValue();
            v.targetAmplitude = 0.015f + 0.055f * (float) pressure / 127.0f;
            updateSounding ((size_t) (channel - 1));
        }
    }
}

} // namespace zelk
