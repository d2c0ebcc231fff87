#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/MotionHarness.h"
#include "tests/helpers/TestProcessor.h"

#include "ui/editor/ZelkEditor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelk;
using namespace zelk::test;

namespace
{
// At 120 BPM and 48 kHz, as PLAY runs the pattern while the host is stopped.
constexpr int64_t samplesPerBeatAt120 = 24000;

void click (juce::Button& button)
{
    button.triggerClick();
    runMessageLoop (10);
}

// A press at the first point on the piano roll, drags through the rest, and the release.
void stroke (ZelkCanvas& canvas, std::initializer_list<std::pair<double, double>> beatsAndPitches, juce::ModifierKeys keys = {})
{
    const auto at = [&canvas] (const std::pair<double, double>& p)
    { return juce::Point<float> (canvas.beatToX (p.first), canvas.pitchToY (p.second)); };
    const auto mods = keys.withFlags (juce::ModifierKeys::leftButtonModifier);
    const auto press = at (*beatsAndPitches.begin());
    canvas.mouseDown (pointerEvent (canvas, press, mods, 1, false, press));

    for (const auto& p : beatsAndPitches)
        canvas.mouseDrag (pointerEvent (canvas, at (p), mods, 1, true, press));

    canvas.mouseUp (pointerEvent (canvas, at (*(beatsAndPitches.end() - 1)), keys, 1, true, press));
}

double semitonesOf (const CapturedEvent& bend) { return (bend.message.getPitchWheelValue() - 8192) * 48.0 / 8192.0; }
} // namespace

// The producer's way through: two notes drawn and connected on the piano roll, LFO 1 dragged onto
// Transpose, PLAY. The MIDI of the next blocks carries one attack gliding from the first note into
// the second, its key moving with the LFO.
TEST (MotionEndToEnd, ADroppedLfoMovesTheTranspositionOfAConnectedPairThatGlidesAsOneAttack)
{
    EngineHarness engine (48000.0, 512, false); // no host transport: the plug-in's own clock
    auto& processor = engine.processor;
    ZelkEditor editor (processor);

    // Two notes drawn with the pen, a beat each, boxed with Ctrl and connected with CONNECT.
    auto& pianoRoll = editor.pianoRoll();
    stroke (pianoRoll, { { 0.05, 60.0 }, { 0.5, 60.0 }, { 0.95, 60.0 } });
    stroke (pianoRoll, { { 1.05, 64.0 }, { 1.5, 64.0 }, { 1.95, 64.0 } });
    stroke (pianoRoll, { { 0.5, 66.0 }, { 1.5, 58.0 } }, juce::ModifierKeys::ctrlModifier);
    ASSERT_EQ (pianoRoll.selection, (std::set<int> { 0, 1 }));
    click (editor.button (EditorButton::connect));

    const auto first = processor.readNote (0), second = processor.readNote (1);
    ASSERT_EQ (first.pitch, 60);
    ASSERT_EQ (second.pitch, 64);
    ASSERT_FLOAT_EQ (first.start, 0.0f);
    ASSERT_FLOAT_EQ (first.duration, 1.0f);
    ASSERT_FLOAT_EQ (second.start, 1.0f);
    ASSERT_FLOAT_EQ (second.duration, 1.0f);
    ASSERT_EQ (first.next, 1);
    ASSERT_EQ (first.glide, 0.25f);

    // LFO 1's badge dropped on the Transpose knob of the CONTROLS page.
    click (editor.button (EditorButton::controlsTab));
    ASSERT_TRUE (dropOn (editor.controlKnob (3), motionui::Source::dragDescription (0)));
    EXPECT_EQ (valueOf (processor, "mod1_transpose"), 25.0f);
    EXPECT_EQ (editor.motion().hint.upToFirstOccurrenceOf (".", false, false), "LFO 1 -> Transpose");

    click (editor.button (EditorButton::play));
    ASSERT_TRUE (processor.playRequested.load());

    // A little over the pair's two beats, with the window's timer running alongside.
    Events events;
    std::vector<std::pair<int64_t, float>> publishedTranspose;

    for (int block = 0; block < 100; ++block)
    {
        const auto some = engine.run (1);
        events.insert (events.end(), some.begin(), some.end());
        publishedTranspose.emplace_back (engine.samplesDone(), processor.liveValue[destination::transpose].load());

        if (block % 3 == 2)
            editor.tick();
    }

    const auto chainEnd = 2 * samplesPerBeatAt120;
    const auto attacks = noteOns (events);
    ASSERT_FALSE (attacks.empty());
    EXPECT_EQ (attacks.front().sample, 0);
    EXPECT_TRUE (attacks.front().isNoteOn (2, 60));

    // One attack: every later note-on re-strikes the same channel at a key one semitone away, in the
    // sample the transposition's rounding moved; none starts the second note on its own.
    auto lowest = 60, highest = 60;

    for (size_t i = 1; i < attacks.size(); ++i)
    {
        const auto& attack = attacks[i];
        ASSERT_EQ (attack.channel(), 2) << "note-on at sample " << attack.sample;
        ASSERT_LT (attack.sample, chainEnd);
        const auto released = only (at (noteOffs (events), attack.sample), [] (const CapturedEvent& e) { return e.channel() == 2; });
        ASSERT_EQ (released.size(), 1u) << "note-on at sample " << attack.sample;
        EXPECT_EQ (std::abs (released[0].message.getNoteNumber() - attack.message.getNoteNumber()), 1);
        EXPECT_EQ (attack.message.getVelocity(), 100);
        lowest = std::min (lowest, attack.message.getNoteNumber());
        highest = std::max (highest, attack.message.getNoteNumber());
    }

    // A quarter of Transpose's range each way: about an octave up and down over one LFO cycle.
    EXPECT_GE (highest, 60 + 10);
    EXPECT_LE (lowest, 60 - 10);

    // The key follows the live transposition the processor publishes for the knob's ring.
    for (const auto& [blockEnd, transpose] : publishedTranspose)
    {
        const auto inBlock = only (attacks, [end = blockEnd] (const CapturedEvent& e) { return e.sample < end && e.sample >= end - 512; });

        if (! inBlock.empty())
        {
            EXPECT_LE (std::abs (inBlock.back().message.getNoteNumber() - 60 - (int) std::nearbyint (transpose)), 1)
                << "block ending at " << blockEnd;
        }
    }

    // The glide: the bend, relative to the first note whatever the transposition, holds 0 until the
    // glide's start a quarter beat before the second note, rises through it, and settles at +4.
    const auto glideStart = samplesPerBeatAt120 * 3 / 4;
    const auto bendsOnChannel = bends (events, 2);
    auto previous = -1.0;
    auto inGlide = 0;

    for (const auto& bend : bendsOnChannel)
    {
        if (bend.sample >= chainEnd)
            break;

        const auto semitones = semitonesOf (bend);
        EXPECT_GE (semitones, previous - 1.0e-9) << "bend at sample " << bend.sample;
        previous = semitones;

        if (bend.sample < glideStart)
        {
            EXPECT_EQ (bend.message.getPitchWheelValue(), 8192) << "bend at sample " << bend.sample;
        }
        else if (bend.sample <= samplesPerBeatAt120)
        {
            inGlide += semitones > 0.2 && semitones < 3.8 ? 1 : 0;
        }
        else if (bend.sample > samplesPerBeatAt120 + 2000)
        {
            EXPECT_NEAR (bend.message.getPitchWheelValue(), 8192 + 4 * 8192.0 / 48.0, 1.5);
        }
    }

    EXPECT_GT (inGlide, 5);

    // One release at the second note's end, and silence after it.
    const auto releases = only (noteOffs (events), [] (const CapturedEvent& e) { return e.sample >= 2 * samplesPerBeatAt120 - 1; });
    ASSERT_EQ (releases.size(), 1u);
    EXPECT_LE (releases[0].sample, chainEnd + 1);
    EXPECT_EQ (releases[0].channel(), 2);
    EXPECT_EQ (processor.activeVoiceCount.load(), 0);
}
