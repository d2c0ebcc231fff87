// The audition synth: what it plays for the MIDI the engine sends, and when it is heard.
#include "engine/AuditionSynth.h"
#include "engine/FastSine.h"
#include "engine/VectorWidth.h"
#include "tests/helpers/EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <optional>
#include <cstring>
#include <random>

using namespace zelk;
using namespace zelk::test;
using juce::MidiMessage;

namespace
{
AuditionSynth preparedSynth()
{
    AuditionSynth synth;
    synth.prepare (48000.0);
    return synth;
}

void render (AuditionSynth& synth, int samples)
{
    for (int i = 0; i < samples; ++i)
        synth.renderSample();
}

// Magnitude of one frequency in a run of samples (a single DFT bin).
double magnitudeAt (const std::vector<float>& samples, double hertz, double sampleRate)
{
    std::complex<double> sum;

    for (size_t i = 0; i < samples.size(); ++i)
        sum += (double) samples[i] * std::polar (1.0, -2.0 * juce::MathConstants<double>::pi * hertz * (double) i / sampleRate);

    return std::abs (sum) * 2.0 / (double) samples.size();
}

// Distance in units in the last place between two doubles of the same sign.
int64_t ulpsApart (double a, double b)
{
    int64_t x, y;
    std::memcpy (&x, &a, sizeof (x));
    std::memcpy (&y, &b, sizeof (y));
    return std::abs (x - y);
}

struct TimedMessage
{
    int sample;
    MidiMessage message;
};

// Notes on most channels with bends, brightness and pressure at scattered samples, releases, and a
// top key bent four octaves up (faster than the sample rate).
std::vector<TimedMessage> busyScript()
{
    std::vector<TimedMessage> script;

    for (int i = 0; i < 40; ++i)
    {
        const auto channel = 2 + (i * 7) % 15;
        const auto at = 41 * i + i % 3;
        script.push_back ({ at, MidiMessage::pitchWheel (channel, (i * 2311) % 16384) });
        script.push_back ({ at, MidiMessage::controllerEvent (channel, 74, (i * 29) % 128) });
        script.push_back ({ at, MidiMessage::noteOn (channel, 30 + (i * 13) % 90, (juce::uint8) (1 + (i * 31) % 127)) });
        script.push_back ({ at + 5 + i % 11, MidiMessage::channelPressureChange (channel, (i * 17) % 128) });

        if (i % 4 == 3)
            script.push_back ({ at + 90, MidiMessage::noteOff (channel, 30 + (i * 13) % 90) });
    }

    script.push_back ({ 700, MidiMessage::noteOn (9, 127, (juce::uint8) 100) });
    script.push_back ({ 700, MidiMessage::pitchWheel (9, 16383) });
    script.push_back ({ 1400, MidiMessage::pitchWheel (9, 8192) });

    std::stable_sort (script.begin(), script.end(), [] (const auto& a, const auto& b) { return a.sample < b.sample; });
    return script;
}

bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }
} // namespace

// The synth's voices use the inline sine and cosine: they must agree with the C library's to
// within two units in the last place, and exactly once rounded to the output's single precision,
// in every quadrant and next to its boundaries. (Far from 0 the reduction by pi/2 loses the
// relative precision of results close to zero, which a voice's phase in 0..1 never reaches.)
TEST (FastSine, AgreesWithTheCLibraryInEveryQuadrant)
{
    std::vector<double> arguments;
    std::mt19937_64 random (12345);
    std::uniform_real_distribution<double> cycle (0.0, 2.0 * juce::MathConstants<double>::pi), wide (-1.0e5, 1.0e5);

    for (int i = 0; i < 100000; ++i)
    {
        arguments.push_back (cycle (random));
        arguments.push_back (wide (random));
    }

    for (int k = -16; k <= 16; ++k)
    {
        const auto boundary = k * juce::MathConstants<double>::halfPi;
        arguments.insert (arguments.end(),
                          { boundary, std::nextafter (boundary, 1.0e9), std::nextafter (boundary, -1.0e9) });
    }

    int64_t worst = 0;
    int floatMismatches = 0;

    for (const auto x : arguments)
    {
        double s, c;
        fastsine::sinCos (x, s, c);
        const auto librarySine = std::sin (x), libraryCosine = std::cos (x);

        // Next to a zero of the function only the absolute error means anything.
        for (const auto& [mine, library] : { std::pair { s, librarySine }, std::pair { c, libraryCosine } })
            if (std::abs (library) > 1.0e-6)
                worst = std::max (worst, ulpsApart (mine, library));

        floatMismatches += (float) s != (float) librarySine || (float) c != (float) libraryCosine
                        || fastsine::sin (x) != s;
    }

    EXPECT_LE (worst, 2);
    EXPECT_EQ (floatMismatches, 0);
}

// Each sample is the sum, in channel order, of every voice's (sin 2 pi p + 0.2 b sin 4 pi p) a at
// its advanced phase and amplitude; the block routine renders the stretches between messages in
// one go, and must give the samples and voices of rendering one sample at a time.
TEST (AuditionSynth, BlocksRenderedBetweenMessagesEqualTheSampleBySampleFormula)
{
    const auto script = busyScript();

    // Blocks of odd sizes, every fourth unheard.
    struct Block
    {
        int start, size;
        bool heard;
    };

    std::vector<Block> blocks;
    const int sizes[] = { 512, 173, 64, 1, 300, 97 };

    for (int start = 0, b = 0; start < 2600; start += sizes[b % 6], ++b)
        blocks.push_back ({ start, sizes[b % 6], b % 4 != 2 });

    auto stepwise = preparedSynth();
    std::vector<float> expected;
    int formulaMismatches = 0;
    size_t next = 0;

    for (const auto& block : blocks)
        for (int n = block.start; n < block.start + block.size; ++n)
        {
            for (; next < script.size() && script[next].sample == n; ++next)
                stepwise.handle (script[next].message);

            expected.push_back (stepwise.renderSample (block.heard));

            auto sum = 0.0;

            for (int v = 0; v < AuditionSynth::voiceCount; ++v)
            {
                const auto& voice = stepwise.voice (v);
                double s, c;
                fastsine::sinCos (juce::MathConstants<double>::twoPi * voice.phase, s, c);
                sum += (s + 0.2 * voice.brightness * (2.0 * s * c)) * voice.amplitude;
            }

            formulaMismatches += ! sameBits (expected.back(), block.heard ? (float) sum : 0.0f);
        }

    EXPECT_EQ (formulaMismatches, 0);

    auto lazy = preparedSynth();
    std::vector<float> rendered (expected.size(), 0.0f);
    next = 0;

    for (const auto& block : blocks)
    {
        lazy.beginBlock (block.heard ? rendered.data() + block.start : nullptr);

        for (; next < script.size() && script[next].sample < block.start + block.size; ++next)
        {
            lazy.moveTo (script[next].sample - block.start);
            lazy.handle (script[next].message);
        }

        lazy.endBlock (block.size);
    }

    int blockMismatches = 0;

    for (size_t n = 0; n < expected.size(); ++n)
        blockMismatches += ! sameBits (rendered[n], expected[n]);

    EXPECT_EQ (blockMismatches, 0);

    for (int v = 0; v < AuditionSynth::voiceCount; ++v)
    {
        EXPECT_EQ (lazy.voice (v).phase, stepwise.voice (v).phase) << v;
        EXPECT_EQ (lazy.voice (v).amplitude, stepwise.voice (v).amplitude) << v;
    }
}

// Processors with AVX-512 mix eight voices to an instruction, with AVX2 four, others two: the
// samples and the voices' state must be the same to the bit.
TEST (AuditionSynth, EveryKindOfVectorCodeRendersTheSame)
{
    const auto script = busyScript();

    const auto renderScript = [&script]
    {
        auto synth = preparedSynth();
        std::vector<float> rendered (2560, 0.0f);
        size_t next = 0;

        for (int start = 0; start < (int) rendered.size(); start += 512)
        {
            synth.beginBlock (rendered.data() + start);

            for (; next < script.size() && script[next].sample < start + 512; ++next)
            {
                synth.moveTo (script[next].sample - start);
                synth.handle (script[next].message);
            }

            synth.endBlock (512);
        }

        return std::pair { rendered, synth };
    };

    const auto [widestSamples, widestSynth] = renderScript();

    for (const auto width : { 4, 2 })
    {
        vectors::widestAllowed = width;
        const auto [samples, synth] = renderScript();
        vectors::widestAllowed = 8;

        int mismatches = 0;

        for (size_t n = 0; n < widestSamples.size(); ++n)
            mismatches += ! sameBits (widestSamples[n], samples[n]);

        EXPECT_EQ (mismatches, 0) << width;

        for (int v = 0; v < AuditionSynth::voiceCount; ++v)
        {
            EXPECT_EQ (widestSynth.voice (v).phase, synth.voice (v).phase) << width << " " << v;
            EXPECT_EQ (widestSynth.voice (v).amplitude, synth.voice (v).amplitude) << width << " " << v;
        }
    }
}

TEST (AuditionSynth, PitchBendSpansFourOctavesAroundTheKey)
{
    auto synth = preparedSynth();
    synth.handle (MidiMessage::noteOn (3, 60, (juce::uint8) 100));
    synth.handle (MidiMessage::pitchWheel (3, 8192));
    EXPECT_NEAR (synth.voice (2).frequency, 261.63f, 0.01f);

    synth.handle (MidiMessage::pitchWheel (3, 16383));
    EXPECT_NEAR (synth.voice (2).frequency, 4184.6f, 0.1f);

    synth.handle (MidiMessage::pitchWheel (3, 0));
    EXPECT_NEAR (synth.voice (2).frequency, 261.63f / 16.0f, 0.01f);

    // Other channels are untouched.
    EXPECT_EQ (synth.voice (1).frequency, 440.0f);
}

TEST (AuditionSynth, AmplitudeFollowsVelocityThenPressureWithA4msPole)
{
    auto synth = preparedSynth();
    synth.handle (MidiMessage::noteOn (2, 64, (juce::uint8) 127));
    EXPECT_EQ (synth.voice (1).targetAmplitude, 0.06f);

    render (synth, 192); // one time constant
    EXPECT_NEAR (synth.voice (1).amplitude, 0.06f * (1.0f - std::exp (-1.0f)), 0.0005f);

    synth.handle (MidiMessage::channelPressureChange (2, 127));
    EXPECT_NEAR (synth.voice (1).targetAmplitude, 0.07f, 1.0e-6f);
    synth.handle (MidiMessage::channelPressureChange (2, 0));
    EXPECT_NEAR (synth.voice (1).targetAmplitude, 0.015f, 1.0e-6f);

    synth.handle (MidiMessage::noteOff (2, 64));
    const auto released = synth.voice (1).amplitude;
    render (synth, 192 * 5);
    EXPECT_NEAR (synth.voice (1).amplitude, released * std::exp (-5.0f), released * 0.001f);

    // Pressure after the release does not bring the voice back.
    synth.handle (MidiMessage::channelPressureChange (2, 127));
    EXPECT_EQ (synth.voice (1).targetAmplitude, 0.0f);
}

// Left to itself the fade would stop short of zero where its step rounds to nothing, and the voice
// would be computed for good after every note; with denormals flushed (as in the audio callback)
// or not, a released voice ends at exactly zero.
TEST (AuditionSynth, AReleasedVoiceEndsAtExactlyZero)
{
    for (const auto flushed : { true, false })
    {
        std::optional<juce::ScopedNoDenormals> noDenormals;

        if (flushed)
            noDenormals.emplace();

        auto synth = preparedSynth();
        synth.handle (MidiMessage::noteOn (2, 64, (juce::uint8) 127));
        render (synth, 4800);
        synth.handle (MidiMessage::noteOff (2, 64));
        std::vector<float> block (512);

        for (int b = 0; b < 200; ++b)
        {
            synth.beginBlock (block.data());
            synth.endBlock ((int) block.size());
        }

        EXPECT_EQ (synth.voice (1).amplitude, 0.0f) << flushed;
        EXPECT_EQ (block.back(), 0.0f) << flushed;
    }
}

TEST (AuditionSynth, AllNotesOffAndAllSoundOffRelease)
{
    auto synth = preparedSynth();
    synth.handle (MidiMessage::noteOn (5, 64, (juce::uint8) 127));
    synth.handle (MidiMessage::allNotesOff (5));
    EXPECT_EQ (synth.voice (4).targetAmplitude, 0.0f);

    synth.handle (MidiMessage::noteOn (5, 64, (juce::uint8) 127));
    synth.handle (MidiMessage::allSoundOff (5));
    EXPECT_EQ (synth.voice (4).targetAmplitude, 0.0f);

    synth.handle (MidiMessage::noteOn (5, 64, (juce::uint8) 127));
    synth.handle (MidiMessage::noteOn (5, 64, (juce::uint8) 0));
    EXPECT_EQ (synth.voice (4).targetAmplitude, 0.0f);
}

TEST (AuditionSynth, BrightnessAddsTheSecondHarmonicUpToOneFifth)
{
    const auto harmonics = [] (int controller74)
    {
        auto synth = preparedSynth();
        synth.handle (MidiMessage::noteOn (2, 69, (juce::uint8) 127));
        synth.handle (MidiMessage::pitchWheel (2, 8192));
        synth.handle (MidiMessage::controllerEvent (2, 74, controller74));
        render (synth, 4800);

        std::vector<float> samples;

        for (int i = 0; i < 48000; ++i)
            samples.push_back (synth.renderSample());

        return std::pair { magnitudeAt (samples, 440.0, 48000.0), magnitudeAt (samples, 880.0, 48000.0) };
    };

    const auto dark = harmonics (0);
    EXPECT_NEAR (dark.first, 0.06, 0.001);
    EXPECT_LT (dark.second, 0.0001);

    const auto bright = harmonics (127);
    EXPECT_NEAR (bright.second / bright.first, 0.2, 0.002);
}

TEST (AuditionSynth, TheEngineCorrectsThePitchAfterAnAttack)
{
    EngineHarness h;
    Note n;
    n.on = true;
    n.pitch = 64;
    n.start = 0.0f;
    n.duration = 4.0f;
    n.curves[pitchCurve].fill (0.25f); // +12 semitones
    h.processor.writeNote (0, n);
    h.set ("transpose", -5.0f);
    h.prepare();
    h.run (1);
    h.processor.playRequested = true;
    h.run (1);

    // Key 59 with the curve's octave up: 71.
    const auto& voice = h.processor.playbackEngine().synth().voice (1);
    EXPECT_EQ (voice.note, 59);
    EXPECT_NEAR (voice.frequency, 440.0f * std::pow (2.0f, 2.0f / 12.0f), 0.01f);
    EXPECT_GT (voice.targetAmplitude, 0.0f);
}

TEST (AuditionSynth, HeardThroughTheOutputOnlyWithMonitorOn)
{
    EngineHarness h;
    h.run (1);
    h.processor.hearPitch = 72.25f;
    h.processor.hearRequested = true;
    h.run (4);

    const auto& voice = h.processor.playbackEngine().synth().voice (15);
    // Key 72, bend nearest(0.25 / 48 x 8192) = 43 above the centre.
    EXPECT_NEAR (voice.frequency, 440.0 * std::pow (2.0, 3.0 / 12.0) * std::pow (2.0, 43.0 / 8192.0 * 4.0), 0.001);
    EXPECT_GT (h.lastAudio().getMagnitude (0, 0, 512), 0.03f);
    EXPECT_EQ (h.lastAudio().getMagnitude (0, 0, 512), h.lastAudio().getMagnitude (1, 0, 512));

    h.set ("monitor", 0.0f);
    h.run (1);
    EXPECT_EQ (h.lastAudio().getMagnitude (0, 512), 0.0f);
    const auto amplitude = voice.amplitude;
    EXPECT_GT (amplitude, 0.03f);

    // Switching back on resumes the running voice at its level, without a new attack.
    h.set ("monitor", 1.0f);
    h.runBlock (8);
    EXPECT_GT (std::abs (h.lastAudio().getSample (0, 0)) + std::abs (h.lastAudio().getSample (0, 4)), 0.005f);

    // A stop request resets the voices.
    h.processor.stopRequested = true;
    h.run (1);
    EXPECT_EQ (voice.amplitude, 0.0f);
    EXPECT_EQ (voice.frequency, 440.0f);
}

TEST (AuditionSynth, SilentWhileAHostedInstrumentIsLoading)
{
    EngineHarness h;
    h.run (1);
    h.processor.hearRequested = true;
    h.run (2);
    ASSERT_GT (h.lastAudio().getMagnitude (0, 512), 0.0f);

    h.processor.hostedInstrument().instrumentLoading = true;
    h.run (1);
    EXPECT_EQ (h.lastAudio().getMagnitude (0, 512), 0.0f);
    h.processor.hostedInstrument().instrumentLoading = false;
}
