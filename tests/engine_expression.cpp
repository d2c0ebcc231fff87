// Pitch bend, pressure and controller 74 after the attack: values, send ticks, duplicate
// suppression and smoothing.
#include "tests/helpers/MidiExpectations.h"
#include "tests/helpers/TestProcessor.h"

#include <cmath>

using namespace zelk;
using namespace zelk::test;

namespace
{
// Member-channel expression after the attack's own messages (the reset and configuration at the
// start are on every channel and are skipped).
Events afterStart (const Events& events, int64_t start)
{
    return only (events, [start] (const auto& e) { return e.sample > start; });
}

int bendAt (const Events& events, int64_t sample)
{
    const auto b = bends (at (events, sample), 2);
    return b.empty() ? -1 : b.back().message.getPitchWheelValue();
}
} // namespace

TEST (Expression, AFlatNoteSendsItsBendAtTheAttackAndTheFirstTickOnly)
{
    EngineHarness h;
    h.note (0, plainNote (0.25f, 1.0f, 60));
    const auto start = startHost (h);
    const auto events = h.runSamples (2 * samplesPerBeat);

    // The attack falls between ticks: its values go out again at the next tick, then never.
    const auto attack = start + samplesPerBeat / 4;
    const auto nextTick = start + (samplesPerBeat / 4 / 192 + 1) * 192;
    const auto b = afterStart (bends (events, 2), start);
    ASSERT_EQ (b.size(), 2u);
    EXPECT_EQ (b[0].sample, attack);
    EXPECT_EQ (b[1].sample, nextTick);
    EXPECT_TRUE (b[1].isBend (2, 8192));
    EXPECT_EQ (afterStart (only (events, [] (const auto& e) { return e.message.isChannelPressure(); }), start).size(), 3u);
}

TEST (Expression, ChangingExpressionIsSentEvery192SamplesAt48kHz)
{
    EngineHarness h;
    auto n = plainNote (0.0f, 4.0f, 60);

    for (int i = 0; i < curvePointCount; ++i)
        n.curves[pitchCurve][(size_t) i] = (float) i / 64.0f;

    h.note (0, n);
    h.set ("smooth", 0.0f);
    const auto start = startHost (h);
    const auto events = h.runSamples (samplesPerBeat);

    const auto b = afterStart (bends (events, 2), start);
    ASSERT_GT (b.size(), 100u);

    for (const auto& e : b)
        EXPECT_EQ ((e.sample - start) % 192, 0) << e.sample;

    // A rising curve changes at every tick, so none is skipped.
    EXPECT_EQ (b.size(), (size_t) ((events.back().sample - start) / 192));
}

TEST (Expression, TheTickIs176SamplesAt44100Hz)
{
    EngineHarness h (44100.0, 441);
    auto n = plainNote (0.0f, 4.0f, 60);

    for (int i = 0; i < curvePointCount; ++i)
        n.curves[pressureCurve][(size_t) i] = (float) i / 32.0f;

    h.note (0, n);
    h.set ("smooth", 0.0f);
    h.prepare();
    h.run (1);
    h.processor.playRequested = true;
    const auto start = h.samplesDone();
    const auto events = h.run (100);

    const auto pressures = only (events, [start] (const auto& e) { return e.sample > start && e.message.isChannelPressure(); });
    ASSERT_GT (pressures.size(), 50u);

    for (const auto& e : pressures)
        EXPECT_EQ ((e.sample - start) % 176, 0) << e.sample;
}

TEST (Expression, PitchCurveBendScalesWithTheBendControl)
{
    const auto bendWith = [] (float depth)
    {
        EngineHarness h;
        auto n = plainNote (0.0f, 1.0f, 60);
        n.curves[pitchCurve].fill (0.5f);
        h.note (0, n);
        h.set ("bend", depth);
        const auto start = startHost (h);
        return bendAt (h.run (1), start);
    };

    EXPECT_EQ (bendWith (48.0f), 12288);
    EXPECT_EQ (bendWith (24.0f), 10240);
    EXPECT_EQ (bendWith (0.0f), 8192);
}

TEST (Expression, GlidesFollowTheirShape)
{
    const auto bendsOfGlide = [] (float shape)
    {
        EngineHarness h;
        auto first = plainNote (0.0f, 1.0f, 60);
        first.next = 1;
        first.glide = 0.5f;
        first.glideShape = shape;
        h.note (0, first);
        h.note (1, plainNote (1.0f, 1.0f, 72));
        h.set ("smooth", 0.0f);
        const auto start = startHost (h);
        const auto events = h.runSamples (2 * samplesPerBeat);
        // Beat 0.75 is tick 128: half way through the glide.
        return std::pair { bendAt (events, start + 128 * 192), bendAt (events, start + 171 * 192) };
    };

    // Half way: linear +6, shape 1 gives u^8 (+12/256 semitone), shape -1 gives 1 - (1-u)^8.
    EXPECT_EQ (bendsOfGlide (0.0f).first, 9216);
    EXPECT_EQ (bendsOfGlide (1.0f).first, 8200);
    EXPECT_EQ (bendsOfGlide (-1.0f).first, 10232);
    // On the next note: +12 semitones whatever the shape.
    EXPECT_EQ (bendsOfGlide (1.0f).second, 10240);
}

TEST (Expression, VibratoIsAddedToTheBend)
{
    EngineHarness h;
    auto n = plainNote (0.0f, 1.0f, 60);
    n.vibOn = true;
    n.vibDepth = 2.0f;
    n.vibCycles = 3.0f;
    n.vibStart = 0.0f;
    n.vibEnd = 1.0f;
    n.vibFade = 0.0f;
    h.note (0, n);
    h.set ("smooth", 0.0f);
    const auto start = startHost (h);
    const auto events = h.runSamples (samplesPerBeat);

    int checked = 0;

    for (const auto& e : afterStart (bends (events, 2), start))
    {
        const auto x = (double) (e.sample - start) / samplesPerBeat;
        const auto semitones = 2.0 * std::sin (2.0 * juce::MathConstants<double>::pi * 3.0 * x);
        EXPECT_NEAR (e.message.getPitchWheelValue(), 8192.0 + semitones * 8192.0 / 48.0, 0.51) << x;
        ++checked;
    }

    EXPECT_GT (checked, 100);
    const auto values = afterStart (bends (events, 2), start);
    EXPECT_TRUE (std::any_of (values.begin(), values.end(), [] (const auto& e) { return e.message.getPitchWheelValue() >= 8532; }));
}

TEST (Expression, BendsBeyond48SemitonesClipAt16383)
{
    EngineHarness h;
    auto first = plainNote (0.0f, 1.0f, 60);
    first.next = 1;
    h.note (0, first);
    h.note (1, plainNote (1.0f, 1.0f, 120));
    h.set ("smooth", 0.0f);
    const auto start = startHost (h);
    const auto events = h.runSamples (2 * samplesPerBeat);

    // The glide passes +48 semitones before the next note starts; from there the bend stays clipped.
    const auto b = afterStart (bends (events, 2), start);
    ASSERT_FALSE (b.empty());
    EXPECT_TRUE (b.back().isBend (2, 16383));
    EXPECT_LT (b.back().sample, start + samplesPerBeat);
    EXPECT_TRUE (std::all_of (b.begin(), b.end(), [] (const auto& e) { return e.message.getPitchWheelValue() <= 16383; }));
    EXPECT_NEAR (h.processor.soundingPitch[0].load(), 60.0f + 8191.0f * 48.0f / 8192.0f, 0.001f);
}

TEST (Expression, PressureAndTimbreScaleWithTheirControls)
{
    EngineHarness h;
    auto n = plainNote (0.0f, 1.0f, 60);
    n.curves[pressureCurve].fill (1.0f);
    n.curves[timbreCurve].fill (1.0f);
    h.note (0, n);
    h.set ("pressure", 50.0f);
    h.set ("timbre", 0.0f);
    const auto start = startHost (h);
    const auto events = at (h.run (1), start);

    // 63.5 goes to the even 64; timbre 0 leaves every note at the neutral 64.
    const auto onTwo = onChannel (events, 2);
    const auto noteOn = std::find_if (onTwo.begin(), onTwo.end(), [] (const auto& e) { return e.message.isNoteOn(); });
    ASSERT_TRUE (noteOn != onTwo.end() && noteOn - onTwo.begin() >= 2);
    EXPECT_TRUE ((noteOn - 2)->isPressure (2, 64));
    EXPECT_TRUE ((noteOn - 1)->isController (2, 74, 64));
    EXPECT_FALSE (std::any_of (onTwo.begin(), onTwo.end(), [] (const auto& e) { return e.isController (2, 74, 127); }));
}

TEST (Expression, TimbreKeepsTheCurvesDistanceFromNeutral)
{
    EngineHarness h;
    auto n = plainNote (0.0f, 1.0f, 60);
    n.curves[timbreCurve].fill (0.9f);
    h.note (0, n);
    h.set ("timbre", 50.0f);
    const auto start = startHost (h);
    const auto onTwo = onChannel (at (h.run (1), start), 2);

    // (0.9 - 0.5) x 0.5 + 0.5 = 0.7, 88.9 -> 89.
    EXPECT_TRUE (std::any_of (onTwo.begin(), onTwo.end(), [] (const auto& e) { return e.isController (2, 74, 89); }));
}

TEST (Expression, SmoothingFollowsAFiveMillisecondPoleAndZeroJumps)
{
    // The bend control moves from 48 to 24 over its 20 ms ramp while a note bent +0.5 sounds;
    // without smoothing the bend follows the ramp exactly, with 5 ms it lags behind it.
    const auto bendsAfterChange = [] (float smooth)
    {
        EngineHarness h;
        auto n = plainNote (0.0f, 4.0f, 60);
        n.curves[pitchCurve].fill (0.5f);
        h.note (0, n);
        h.set ("smooth", smooth);
        const auto start = startHost (h);
        h.runSamples (192 * 16);
        h.set ("bend", 24.0f);
        const auto change = h.samplesDone();
        auto events = bends (h.runSamples (192 * 20), 2);

        std::map<int64_t, int> bySample;

        for (const auto& e : events)
            bySample[(e.sample - change)] = e.message.getPitchWheelValue();

        juce::ignoreUnused (start);
        return bySample;
    };

    // The change lands on a block boundary 16 ticks after the start, so ticks fall at 0, 192, ...
    // after it.
    const auto instant = bendsAfterChange (0.0f);
    const auto rampEnd = 5 * 192; // the 960-sample ramp has ended at the fifth tick

    for (const auto& [sample, value] : instant)
    {
        const auto depth = 48.0 - 24.0 * std::min (1.0, (double) (sample + 1) / 960.0);
        EXPECT_NEAR (value, 8192.0 + 0.5 * depth * 8192.0 / 48.0, 1.0) << sample;
    }

    ASSERT_EQ (instant.count (rampEnd), 1u);
    EXPECT_EQ (instant.at (rampEnd), 10240);
    EXPECT_EQ (instant.rbegin()->second, 10240);

    const auto smoothed = bendsAfterChange (5.0f);
    // Lag of a one-pole filter behind a ramp of 12 semitones per 960 samples with a 240-sample
    // time constant (about 3 semitones), decaying with the same time constant once the ramp ends.
    const auto k = std::exp (-1.0 / 240.0);
    const auto steadyLag = 12.0 / 960.0 * k / (1.0 - k);
    const auto lagAt = [&] (double afterRampEnd) { return steadyLag * (1.0 - std::pow (k, 960.0)) * std::pow (k, afterRampEnd); };
    ASSERT_EQ (smoothed.count (rampEnd), 1u);
    EXPECT_NEAR (smoothed.at (rampEnd), 10240.0 + lagAt (1.0) * 8192.0 / 48.0, 3.0);
    ASSERT_EQ (smoothed.count (rampEnd + 2 * 192), 1u);
    EXPECT_NEAR (smoothed.at (rampEnd + 2 * 192), 10240.0 + lagAt (385.0) * 8192.0 / 48.0, 3.0);
    EXPECT_GT (smoothed.at (rampEnd), 10240 + 400);
}

TEST (Expression, AnLfoOnTheBendControlModulatesTheSentBend)
{
    EngineHarness h;
    auto n = plainNote (0.0f, 4.0f, 60);
    n.curves[pitchCurve].fill (0.5f);
    h.note (0, n);
    h.set ("smooth", 0.0f);
    h.set ("bend", 24.0f);
    h.set ("lfo1_rate", 4.0f);
    h.set ("mod1_bend", 50.0f);
    const auto start = startHost (h);
    const auto values = afterStart (bends (h.runSamples (samplesPerBeat), 2), start);

    const auto [low, high] = std::minmax_element (values.begin(), values.end(), [] (const auto& a, const auto& b)
                                                  { return a.message.getPitchWheelValue() < b.message.getPitchWheelValue(); });
    // +/-24 semitones of depth swing (clamped to 0..48) moves a half-curve bend by up to 12 semitones.
    EXPECT_LT (low->message.getPitchWheelValue(), 8192 + 200);
    EXPECT_GT (high->message.getPitchWheelValue(), 12288 - 200);
}
