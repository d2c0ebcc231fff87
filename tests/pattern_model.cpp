#include "core/NoteFields.h"
#include "core/PatternMath.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using zelk::test::plainNote;
using zelk::test::valueOf;

namespace
{
// Records the order in which one slot's parameters change and the gestures around them.
struct SlotRecorder : juce::AudioProcessorListener
{
    std::vector<int> parameterIndices;
    int gesturesBegun = 0, gesturesEnded = 0;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int index, float) override { parameterIndices.push_back (index); }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gesturesBegun; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++gesturesEnded; }
};

int indexOf (ZelkProcessor& processor, const juce::String& identifier)
{
    return processor.parameterTree().getParameter (identifier)->getParameterIndex();
}
} // namespace

TEST (PageSplitting, StartAndDurationAreStoredAsPagePlusFinePart)
{
    ZelkProcessor processor;

    processor.setParameterValue ("note1_start", 37.5f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_startPage"), 2.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_start"), 5.5f);
    EXPECT_FLOAT_EQ (processor.readNote (0).start, 37.5f);

    processor.setParameterValue ("note1_duration", 16.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_durationPage"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_duration"), 16.0f);

    processor.setParameterValue ("note1_duration", 16.0625f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_durationPage"), 1.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_duration"), 0.0625f);
    EXPECT_FLOAT_EQ (processor.readNote (0).duration, 16.0625f);

    processor.setParameterValue ("note1_start", 300000.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_startPage"), 16380.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note1_start"), 0.0f);
    EXPECT_FLOAT_EQ (processor.readNote (0).start, 262080.0f);

    processor.setParameterValue ("note128_duration", -5.0f);
    EXPECT_FLOAT_EQ (processor.readNote (127).duration, 0.0625f);
}

TEST (PageSplitting, AnyStoredCombinationReadsBackAsPageTimesSixteenPlusFine)
{
    ZelkProcessor processor;
    // A host may write the fine part past 16 directly.
    auto* fine = processor.parameterTree().getParameter ("note3_start");
    fine->setValueNotifyingHost (fine->convertTo0to1 (31.9375f));
    processor.setParameterValue ("note3_startPage", 1.0f);
    EXPECT_FLOAT_EQ (processor.readNote (2).start, 47.9375f);
}

TEST (SetParameterValue, IgnoresUnknownIdentifiersAndNonFiniteValues)
{
    ZelkProcessor processor;
    const auto before = test::stateXml (processor);

    processor.setParameterValue ("nonsense", 1.0f);
    processor.setParameterValue ("note129_start", 40.0f);
    processor.setParameterValue ("note0_duration", 40.0f);
    processor.setParameterValue ("note01_start", 40.0f);
    processor.setParameterValue ("note1_start", std::numeric_limits<float>::quiet_NaN());
    processor.setParameterValue ("bend", std::numeric_limits<float>::infinity());

    EXPECT_EQ (test::stateXml (processor), before);
}

TEST (SetParameterValue, WrapsEachCallInOneGesture)
{
    ZelkProcessor processor;
    SlotRecorder recorder;
    processor.addListener (&recorder);

    processor.setParameterValue ("transpose", 2.4f);
    EXPECT_EQ (recorder.gesturesBegun, 1);
    EXPECT_EQ (recorder.gesturesEnded, 1);
    EXPECT_NEAR (valueOf (processor, "transpose"), 2.4f, 1.0e-5f);

    // A start that spans pages sets the page through the same path: one gesture each.
    processor.setParameterValue ("note2_start", 20.0f);
    EXPECT_EQ (recorder.gesturesBegun, 3);
    EXPECT_EQ (recorder.gesturesEnded, 3);
    processor.removeListener (&recorder);
}

TEST (WriteNote, RoundTripsEveryFieldAndClearsOnFirstAndSetsItLast)
{
    ZelkProcessor processor;
    const auto note = test::distinctiveNote (9);

    SlotRecorder recorder;
    processor.addListener (&recorder);
    processor.writeNote (5, note);
    processor.removeListener (&recorder);

    const auto onIndex = indexOf (processor, "note6_on");
    ASSERT_FALSE (recorder.parameterIndices.empty());
    EXPECT_EQ (recorder.parameterIndices.back(), onIndex);
    EXPECT_EQ (recorder.parameterIndices.front(), onIndex);
    EXPECT_EQ (recorder.gesturesBegun, recorder.gesturesEnded);

    const auto back = processor.readNote (5);
    EXPECT_TRUE (back.on);
    EXPECT_EQ (back.pitch, note.pitch);
    EXPECT_EQ (back.next, note.next);
    EXPECT_NEAR (back.start, note.start, 1.0e-3);
    EXPECT_NEAR (back.duration, note.duration, 1.0e-3);
    EXPECT_FLOAT_EQ (back.velocity, note.velocity);
    EXPECT_FLOAT_EQ (back.glide, note.glide);
    EXPECT_NEAR (back.glideShape, note.glideShape, 1.0e-6);
    EXPECT_EQ (back.vibOn, note.vibOn);
    EXPECT_NEAR (back.vibDepth, note.vibDepth, 1.0e-6);
    EXPECT_NEAR (back.vibCycles, note.vibCycles, 1.0e-5);
    EXPECT_NEAR (back.vibStart, note.vibStart, 1.0e-6);
    EXPECT_NEAR (back.vibEnd, note.vibEnd, 1.0e-6);
    EXPECT_NEAR (back.vibFade, note.vibFade, 1.0e-6);

    for (int c = 0; c < curveCount; ++c)
        for (int i = 0; i < curvePointCount; ++i)
            EXPECT_NEAR (back.curves[(size_t) c][(size_t) i], note.curves[(size_t) c][(size_t) i], c == pitchCurve ? 1.0e-6 : 6.0e-4)
                << c << "/" << i; // pressure and timbre points snap to 0.001
}

TEST (WriteNote, ClearsOnBeforeTouchingAnOccupiedSlot)
{
    ZelkProcessor processor;
    processor.writeNote (0, test::distinctiveNote (1));

    struct FirstChange : juce::AudioProcessorParameter::Listener
    {
        std::vector<std::pair<int, float>> changes;
        void parameterValueChanged (int index, float value) override { changes.emplace_back (index, value); }
        void parameterGestureChanged (int, bool) override {}
    } listener;

    auto* on = processor.parameterTree().getParameter ("note1_on");
    auto* pitch = processor.parameterTree().getParameter ("note1_pitch");
    on->addListener (&listener);
    pitch->addListener (&listener);

    auto changed = test::distinctiveNote (2);
    processor.writeNote (0, changed);
    on->removeListener (&listener);
    pitch->removeListener (&listener);

    ASSERT_GE (listener.changes.size(), 3u);
    EXPECT_EQ (listener.changes.front().first, on->getParameterIndex());
    EXPECT_FLOAT_EQ (listener.changes.front().second, 0.0f);
    EXPECT_EQ (listener.changes.back().first, on->getParameterIndex());
    EXPECT_FLOAT_EQ (listener.changes.back().second, 1.0f);
}

TEST (ReadNote, DecodesConnectionsAndOutOfRangeSlots)
{
    ZelkProcessor processor;
    EXPECT_EQ (processor.readNote (0).next, -1);

    processor.setParameterValue ("note1_next", 4.0f);
    EXPECT_EQ (processor.readNote (0).next, 3);

    for (const auto slot : { -1, 128, 100000 })
    {
        const auto note = processor.readNote (slot);
        EXPECT_FALSE (note.on);
        EXPECT_EQ (note.pitch, 60);
        EXPECT_EQ (note.next, -1);
        EXPECT_FLOAT_EQ (note.curves[pressureCurve][10], 0.0f);
        EXPECT_FLOAT_EQ (note.curves[timbreCurve][32], 0.0f);
    }

    processor.writeNote (-1, test::distinctiveNote (3));
    processor.writeNote (128, test::distinctiveNote (3));
}

TEST (ClearPattern, FreesEverySlotAndDropsConnections)
{
    ZelkProcessor processor;

    for (int slot = 0; slot < 4; ++slot)
        processor.writeNote (slot, test::distinctiveNote (slot + 1));

    processor.clearPattern();

    for (int slot = 0; slot < slotCount; ++slot)
    {
        EXPECT_FALSE (processor.readNote (slot).on);
        EXPECT_EQ (processor.readNote (slot).next, -1);
    }
}

TEST (CurveAt, InterpolatesAndHoldsTheEndsOutsideTheNote)
{
    Note note;

    for (int i = 0; i < curvePointCount; ++i)
        note.curves[pitchCurve][(size_t) i] = (float) i / 32.0f;

    note.curves[pitchCurve][32] = 0.3f;

    EXPECT_DOUBLE_EQ (curveAt (note, pitchCurve, 1.0), 0.3f);
    EXPECT_DOUBLE_EQ (curveAt (note, pitchCurve, 7.0), 0.3f);
    EXPECT_DOUBLE_EQ (curveAt (note, pitchCurve, -0.5), 0.0);
    EXPECT_NEAR (curveAt (note, pitchCurve, 0.5 / 32.0), 0.5 / 32.0, 1.0e-9);
    EXPECT_NEAR (curveAt (note, pitchCurve, 31.5 / 32.0), (31.0 / 32.0 + 0.3) / 2.0, 1.0e-7);
    EXPECT_DOUBLE_EQ (curveAt (note, pressureCurve, 0.25), 0.5);
}

TEST (PitchAt, BendsByCurveTimesBendDepth)
{
    auto note = plainNote (0.0f, 4.0f);
    note.curves[pitchCurve].fill (1.0f);

    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 1.0, 48.0), 108.0);
    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 1.0, 24.0), 84.0);

    note.curves[pitchCurve].fill (0.0f);
    note.curves[pitchCurve][32] = -1.0f;
    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 10.0, 48.0), 12.0); // past the end reads point 32
}

TEST (PitchAt, VibratoStartsAndEndsAtZeroAndFadesIn)
{
    auto note = plainNote (0.0f, 4.0f);
    note.vibOn = true;
    note.vibDepth = 1.0f;
    note.vibCycles = 4.0f;
    note.vibStart = 0.25f;
    note.vibEnd = 0.75f;
    note.vibFade = 0.2f;

    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 1.0, 48.0), 60.0); // exactly at vibStart
    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 3.0, 48.0), 60.0); // exactly at vibEnd
    EXPECT_DOUBLE_EQ (pitchAt (note, nullptr, 0.5, 48.0), 60.0); // before the span

    // l = 0.0625: a quarter cycle in, faded to 0.0625 / 0.2.
    const auto t = 1.0 + 0.0625 * 2.0;
    EXPECT_NEAR (pitchAt (note, nullptr, t, 48.0) - 60.0, std::sin (juce::MathConstants<double>::halfPi) * 0.3125, 1.0e-6);

    note.vibFade = 0.0f;
    EXPECT_NEAR (pitchAt (note, nullptr, t, 48.0) - 60.0, 1.0, 1.0e-6); // full depth at once
}

TEST (PitchAt, ConnectionToleranceDecidesWhetherAGlideHappens)
{
    auto first = plainNote (0.0f, 2.0f, 60);
    first.glide = 0.5f;

    auto touching = plainNote (2.0f - 0.0001f, 1.0f, 72);
    EXPECT_TRUE (glidesInto (first, touching));
    EXPECT_NEAR (pitchAt (first, &touching, 1.9999, 48.0), 72.0, 1.0e-3);

    auto overlapping = plainNote (1.5f, 1.0f, 72);
    EXPECT_FALSE (glidesInto (first, overlapping));
    EXPECT_DOUBLE_EQ (pitchAt (first, &overlapping, 1.75, 48.0), 60.0);

    auto shortFirst = plainNote (0.0f, 0.0625f);
    auto tooSoon = plainNote (0.0009f, 1.0f, 72);
    shortFirst.duration = 0.0005f; // a stored combination the writers never make
    EXPECT_FALSE (glidesInto (shortFirst, tooSoon));

    auto off = touching;
    off.on = false;
    EXPECT_FALSE (glidesInto (first, off));

    Note self = first;
    self.next = 4;
    EXPECT_FALSE (isConnected (self, 4, touching));
    EXPECT_TRUE (isConnected (self, 3, touching));
}

TEST (PitchAt, GlideShapeBendsTheTransition)
{
    auto first = plainNote (0.0f, 2.0f, 60);
    first.glide = 1.0f;
    auto second = plainNote (2.0f, 1.0f, 72);
    second.curves[pitchCurve][0] = 0.125f; // the glide aims at the next note's first pitch: 78

    EXPECT_DOUBLE_EQ (pitchAt (first, &second, 0.9, 48.0), 60.0); // before the glide start
    EXPECT_NEAR (pitchAt (first, &second, 1.5, 48.0), 69.0, 1.0e-9); // linear: halfway

    first.glideShape = 1.0f;
    EXPECT_NEAR (pitchAt (first, &second, 1.5, 48.0), 60.0 + 18.0 * std::pow (0.5, 8.0), 1.0e-9);

    first.glideShape = -1.0f;
    EXPECT_NEAR (pitchAt (first, &second, 1.5, 48.0), 60.0 + 18.0 * (1.0 - std::pow (0.5, 8.0)), 1.0e-9);

    first.glideShape = 0.5f;
    EXPECT_NEAR (pitchAt (first, &second, 1.5, 48.0), 60.0 + 18.0 * std::pow (0.5, std::pow (2.0, 1.5)), 1.0e-9);

    // A glide longer than the note starts at the note's start, from the curve's first pitch.
    first.glideShape = 0.0f;
    first.glide = 8.0f;
    first.curves[pitchCurve].fill (0.25f);
    EXPECT_NEAR (pitchAt (first, &second, 0.0, 48.0), 72.0, 1.0e-9);
    EXPECT_NEAR (pitchAt (first, &second, 1.0, 48.0), 75.0, 1.0e-9);
}
