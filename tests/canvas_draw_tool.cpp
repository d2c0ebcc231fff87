#include "core/NoteFields.h"
#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
const auto shift = juce::ModifierKeys::shiftModifier;
const juce::String limitHint = "Pitch limited by Bend depth on CONTROLS.";

float pitchPoint (const Note& note, int i) { return note.curves[pitchCurve][(size_t) i]; }

bool isFlat (const Note& note)
{
    for (int i = 0; i < curvePointCount; ++i)
        if (pitchPoint (note, i) != 0.0f)
            return false;

    return true;
}
} // namespace

TEST (DrawTool, AClickMakesADefaultNoteOnTheGridLineAndKeyUnderThePointer)
{
    CanvasHarness h;
    const auto click = h.at (3.3, 64.4);
    h.press (click, leftButton());
    EXPECT_EQ (h.gestures.open(), curvePointCount); // the pitch curve's points, for the whole stroke
    h.release (click);

    const auto note = h.processor.readNote (0);
    EXPECT_TRUE (note.on);
    EXPECT_EQ (note.pitch, 64);
    EXPECT_FLOAT_EQ (note.start, 3.25f);
    EXPECT_FLOAT_EQ (note.duration, 0.25f);
    EXPECT_TRUE (isFlat (note));
    EXPECT_FLOAT_EQ (note.curves[pressureCurve][7], 0.5f);
    EXPECT_FLOAT_EQ (note.curves[timbreCurve][30], 0.5f);
    EXPECT_EQ (note.velocity, 100.0f);
    EXPECT_FALSE (note.vibOn);

    EXPECT_EQ (h.canvas.selection, std::set<int> { 0 });
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.gestures.open(), 0);
    EXPECT_EQ (h.gestures.begun(), h.gestures.ended());
    EXPECT_FALSE (h.processor.hearRequested.load());

    // In free pitch the fraction of a semitone goes into the curve, relative to the nearest key.
    h.canvas.pitchSnap = false;
    h.canvas.timeSnap = false;
    h.stroke ({ h.at (5.3, 66.3) }, leftButton());
    const auto free = h.processor.readNote (1);
    EXPECT_EQ (free.pitch, 66);
    EXPECT_NEAR (free.start, 5.3, 1.0e-3);
    EXPECT_NEAR (pitchPoint (free, 0), 0.3 / 48.0, 1.0e-4);
    EXPECT_NEAR (pitchPoint (free, 32), 0.3 / 48.0, 1.0e-4);
}

TEST (DrawTool, TheStoredKeyIsTheKeyUnderThePointerBeforeTransposition)
{
    CanvasHarness h;
    h.processor.setParameterValue ("transpose", 5.0f);
    h.stroke ({ h.at (2.1, 64.0) }, leftButton());

    const auto note = h.processor.readNote (0);
    EXPECT_EQ (note.pitch, 59);
    EXPECT_TRUE (isFlat (note));
    EXPECT_NEAR (h.onLine (0, 0.5).y, h.canvas.pitchToY (64.0), 0.01);
}

TEST (DrawTool, AStrokeCoversEveryGridCellItTouchedInEitherDirection)
{
    struct Case
    {
        double from, to;
        bool snap;
        float start, duration;
    };

    for (const auto& c : { Case { 1.1, 2.6, true, 1.0f, 1.75f }, Case { 1.1, 2.6, false, 1.1f, 1.5f },
                           Case { 2.6, 1.1, true, 1.0f, 1.5f }, Case { 2.6, 1.1, false, 1.1f, 1.5f } })
    {
        CanvasHarness h;
        h.canvas.timeSnap = c.snap;
        h.stroke ({ h.at (c.from, 60.0), h.at ((c.from + c.to) / 2.0, 61.0), h.at (c.to, 62.0) }, leftButton());

        const auto note = h.processor.readNote (0);
        EXPECT_NEAR (note.start, c.start, 2.0e-4) << c.from << " to " << c.to << (c.snap ? " snapped" : "");
        EXPECT_NEAR (note.duration, c.duration, 2.0e-4) << c.from << " to " << c.to << (c.snap ? " snapped" : "");
        EXPECT_EQ (note.pitch, 60);
        EXPECT_EQ (h.undoSteps(), 1);
        EXPECT_EQ (h.gestures.open(), 0);

        // The stroke's own pitch at its ends, relative to the key of the press (clipped to the
        // stroke's extent where the note reaches past it on the grid).
        const auto forwards = c.to > c.from;
        EXPECT_NEAR (pitchPoint (note, 32), (forwards ? 2.0 : 0.0) / 48.0, 1.0e-5);
        EXPECT_NEAR (pitchPoint (note, 0), (forwards ? 0.0 : 2.0) / 48.0, 1.0e-5);
    }
}

// A busy message thread can learn of a stroke's last moves only with the release, which then
// arrives where the pointer went up: the note still reaches there.
TEST (DrawTool, AReleaseBeyondTheLastDragEndsTheStrokeThere)
{
    CanvasHarness h;
    h.press (h.at (1.1, 60.0), leftButton());
    h.drag (h.at (2.0, 61.0), leftButton());
    h.release (h.at (2.9, 62.0));

    const auto note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.start, 1.0f);
    EXPECT_FLOAT_EQ (note.duration, 2.0f);
    EXPECT_NEAR (pitchPoint (note, 32), 2.0 / 48.0, 1.0e-5);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (DrawTool, TheCurveFollowsTheStrokeAndGoingBackOverItReplacesThatPart)
{
    CanvasHarness h;
    h.press (h.at (1.0, 60.0), leftButton());
    h.drag (h.at (3.0, 64.0), leftButton());

    // Between two points the stroke is a straight line: halfway is two semitones up.
    auto note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.start, 1.0f);
    EXPECT_FLOAT_EQ (note.duration, 2.0f);
    EXPECT_NEAR (pitchPoint (note, 16), 2.0 / 48.0, 1.0e-5);
    EXPECT_NEAR (pitchPoint (note, 32), 4.0 / 48.0, 1.0e-5);
    EXPECT_NEAR (h.processor.hearPitch.load(), 64.0f, 1.0e-4); // the pen's own pitch

    // Forward along 60 to beat 5, then back to beat 4 at 66: 4..5 becomes the line from 66 down to 60.
    h.drag (h.at (4.0, 60.0), leftButton());
    h.drag (h.at (5.0, 60.0), leftButton());
    note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.duration, 4.0f);
    EXPECT_NEAR (pitchPoint (note, 28), 0.0, 1.0e-5); // beat 4.5

    h.drag (h.at (4.0, 66.0), leftButton());
    note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.duration, 4.0f);
    EXPECT_NEAR (pitchPoint (note, 24), 6.0 / 48.0, 1.0e-5); // beat 4 now at 66
    EXPECT_NEAR (pitchPoint (note, 28), 3.0 / 48.0, 1.0e-5); // beat 4.5, halfway back down
    EXPECT_NEAR (pitchPoint (note, 32), 0.0, 1.0e-5);
    EXPECT_NEAR (pitchPoint (note, 8), 2.0 / 48.0, 1.0e-5); // beat 2, untouched

    // Further back, past where the stroke went through 3 at 64: the whole stretch is replaced.
    h.drag (h.at (2.0, 66.0), leftButton());
    h.release (h.at (2.0, 66.0));
    note = h.processor.readNote (0);
    EXPECT_NEAR (pitchPoint (note, 12), 6.0 / 48.0, 1.0e-5); // beat 2.5, was 3 semitones up
    EXPECT_NEAR (pitchPoint (note, 16), 6.0 / 48.0, 1.0e-5); // beat 3
    EXPECT_NEAR (pitchPoint (note, 4), 3.0 / 48.0, 1.0e-5);  // beat 1.5, on the first segment
    EXPECT_EQ (h.undoSteps(), 1);
}

TEST (DrawTool, ShiftDrawsAFlatLineAtThePressPitch)
{
    CanvasHarness h;
    h.stroke ({ h.at (1.0, 62.0), h.at (2.0, 70.0), h.at (3.0, 50.0), h.at (4.5, 66.0) }, leftButton (shift));

    const auto note = h.processor.readNote (0);
    EXPECT_EQ (note.pitch, 62);
    EXPECT_FLOAT_EQ (note.duration, 3.5f);
    EXPECT_TRUE (isFlat (note));
}

TEST (DrawTool, ThePitchIsClippedAtTheBendDepthWithAHint)
{
    CanvasHarness h;
    h.processor.setParameterValue ("bend", 12.0f);
    h.press (h.at (1.0, 50.0), leftButton());
    h.drag (h.at (2.0, 62.0), leftButton());
    EXPECT_NE (h.canvas.hint, limitHint); // exactly the bend depth still fits

    h.drag (h.at (3.0, 70.0), leftButton());
    EXPECT_EQ (h.canvas.hint, limitHint);
    EXPECT_NEAR (h.processor.hearPitch.load(), 62.0f, 1.0e-4); // the pen is heard at the limit too
    h.release (h.at (3.0, 70.0));

    const auto note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (pitchPoint (note, 32), 1.0f);
    EXPECT_FLOAT_EQ (pitchPoint (note, 16), 1.0f); // beat 2 lies exactly at +12
    EXPECT_NEAR (pitchPoint (note, 8), 0.5, 1.0e-5);

    // Without bend depth every value is 0 and the hint says why.
    h.processor.setParameterValue ("bend", 0.0f);
    h.stroke ({ h.at (5.0, 55.0), h.at (6.0, 58.0) }, leftButton());
    EXPECT_TRUE (isFlat (h.processor.readNote (1)));
    EXPECT_EQ (h.canvas.hint, "Bend depth is zero. Increase it on CONTROLS to draw pitch bends.");
}

TEST (DrawTool, TheWheelWaitsUntilTheStrokeIsDone)
{
    CanvasHarness h;
    h.press (h.at (1.0, 60.0), leftButton());
    h.drag (h.at (2.0, 61.0), leftButton());
    h.wheel (h.at (2.0, 61.0), 0.0f, 0.5f, juce::ModifierKeys::ctrlModifier);
    h.wheel (h.at (2.0, 61.0), 0.0f, -0.5f);
    EXPECT_EQ (h.canvas.effectiveViewLength(), 16.0);
    EXPECT_EQ (h.canvas.lowestKey, 48);
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::newStroke);

    h.drag (h.at (3.0, 62.0), leftButton());
    h.release (h.at (3.0, 62.0));
    EXPECT_NEAR (pitchPoint (h.processor.readNote (0), 32), 2.0 / 48.0, 1.0e-5);

    h.wheel (h.at (2.0, 61.0), 0.0f, -0.5f);
    EXPECT_EQ (h.canvas.lowestKey, 46);
}

TEST (DrawTool, AClickedNoteTakesTheLengthOfTheLastStrokeOrResize)
{
    CanvasHarness h;
    h.stroke ({ h.at (1.0, 60.0), h.at (2.5, 60.0), h.at (2.9, 61.0) }, leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (0).duration, 2.0f);
    EXPECT_FLOAT_EQ (h.canvas.defaultLength, 2.0f);

    h.stroke ({ h.at (6.0, 64.0) }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (1).duration, 2.0f);

    // Resizing the first note to half a beat with the edit tool.
    h.canvas.tool = ZelkCanvas::Tool::edit;
    const auto end = h.onLine (0, 1.0).translated (-3.0f, 0.0f);
    h.stroke ({ end, end.translated (h.canvas.beatToX (1.5) - h.canvas.beatToX (3.0), 0.0f) }, leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (0).duration, 0.5f);

    h.canvas.tool = ZelkCanvas::Tool::draw;
    h.stroke ({ h.at (10.0, 55.0) }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (2).duration, 0.5f);
}

TEST (DrawTool, WithEverySlotInUseAPressExplainsAndDrawsNothing)
{
    CanvasHarness h;
    for (int slot = 0; slot < slotCount; ++slot)
        h.putNote (slot, (float) slot, 0.5f, 30);

    const auto before = stateXml (h.processor);
    h.press (h.at (2.0, 64.0), leftButton());
    EXPECT_EQ (h.canvas.hint, "128 notes used. Remove a note before drawing another.");
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::idle);
    EXPECT_EQ (h.gestures.open(), 0);
    h.release (h.at (2.0, 64.0));

    // The step recorded before the test stays, and restores the same pattern.
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (stateXml (h.processor), before);

    // A double click finds no slot either and says nothing.
    h.canvas.tool = ZelkCanvas::Tool::edit;
    h.canvas.hint = {};
    h.doubleClick (h.at (2.0, 70.0));
    EXPECT_EQ (stateXml (h.processor), before);
    EXPECT_EQ (h.canvas.hint, "");
}

TEST (DrawTool, NewNotesTakeTheLowestFreeSlot)
{
    CanvasHarness h;
    h.putNote (0, 1.0f, 1.0f, 50);
    h.putNote (1, 3.0f, 1.0f, 50);
    h.putNote (3, 5.0f, 1.0f, 50);
    EXPECT_EQ (h.canvas.firstFreeSlot(), 2);

    h.stroke ({ h.at (8.0, 60.0) }, leftButton());
    EXPECT_TRUE (h.processor.readNote (2).on);
    EXPECT_EQ (h.canvas.firstFreeSlot(), 4);
}

TEST (CurveRedraw, ShiftCreepsATenthOfTheWayWithEveryStepAndAutoRepeat)
{
    CanvasHarness h;
    h.putNote (0, 1.0f, 4.0f, 60);
    const auto x = h.canvas.beatToX (3.0); // point 16

    h.press ({ x, h.canvas.pitchToY (60.0) }, leftButton (shift));
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::curveRedraw);
    EXPECT_EQ (h.gestures.open(), curvePointCount);
    EXPECT_EQ (h.undoSteps(), 1);

    h.drag ({ x, h.canvas.pitchToY (66.0) }, leftButton (shift));
    const auto target = 6.0 / 48.0;
    auto expected = target * 0.1;
    EXPECT_NEAR (pitchPoint (h.processor.readNote (0), 16), expected, 2.0e-6);

    // The pointer rests; the 35 ms auto-repeat keeps stepping towards it.
    for (int repeat = 0; repeat < 5; ++repeat)
    {
        h.repeatDrag();
        expected += (target - expected) * 0.1;
        EXPECT_NEAR (pitchPoint (h.processor.readNote (0), 16), expected, 1.0e-5) << repeat;
    }

    EXPECT_EQ (h.canvas.hint, "Pitch follows the piano keys / Shift: fine");
    EXPECT_NEAR (pitchPoint (h.processor.readNote (0), 15), 0.0, 1.0e-7); // only the point under the pen

    // The canvas's own timer repeats the step while the message loop runs, and stops at the release.
    const auto pointNow = [&] { return pitchPoint (h.processor.readNote (0), 16); };
    const auto stepsLater = expected + (target - expected) * 0.19; // two more steps
    const auto deadline = juce::Time::getMillisecondCounter() + 5000;

    while (pointNow() < stepsLater && juce::Time::getMillisecondCounter() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    EXPECT_GE (pointNow(), stepsLater);
    EXPECT_LT (pointNow(), target);
    h.release ({ x, h.canvas.pitchToY (66.0) });
    const auto released = pointNow();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
    EXPECT_EQ (pointNow(), released);

    const auto note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.start, 1.0f);
    EXPECT_FLOAT_EQ (note.duration, 4.0f);
    EXPECT_EQ (note.pitch, 60);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (CurveRedraw, AFastMovementFillsThePointsItSkipped)
{
    CanvasHarness h;
    h.putNote (0, 0.0f, 8.0f, 60);

    // Press on point 4, then one step to point 28 four semitones up.
    h.press (h.at (1.0, 60.0), leftButton());
    h.drag (h.at (7.0, 64.0), leftButton());
    h.release (h.at (7.0, 64.0));

    const auto note = h.processor.readNote (0);

    for (int i = 0; i <= 32; ++i)
    {
        const auto expected = i < 4 || i > 28 ? 0.0 : (4.0 / 48.0) * (i - 4) / 24.0;
        EXPECT_NEAR (pitchPoint (note, i), expected, 1.0e-5) << "point " << i;
    }
}

TEST (CurveRedraw, ThePenIsHeardWithTheEnginesPressureAndTimbreScaling)
{
    CanvasHarness h;
    auto note = plainNote (1.0f, 4.0f, 60);
    note.curves[pressureCurve].fill (0.8f);
    note.curves[timbreCurve].fill (0.9f);
    h.processor.writeNote (0, note);
    h.processor.setParameterValue ("pressure", 50.0f);
    h.processor.setParameterValue ("timbre", 25.0f);

    h.press (h.at (2.0, 60.0), leftButton());
    h.drag (h.at (3.0, 61.3), leftButton());
    EXPECT_TRUE (h.processor.hearRequested.load());
    EXPECT_NEAR (h.processor.hearPitch.load(), 61.0f, 1.0e-4); // pitch snap: the key
    EXPECT_NEAR (h.processor.hearPressure.load(), 0.4f, 1.0e-6);
    EXPECT_NEAR (h.processor.hearTimbre.load(), 0.6f, 1.0e-6);
    h.release (h.at (3.0, 61.3));
    EXPECT_FALSE (h.processor.hearRequested.load());
}

TEST (DoubleClick, AddsANoteWithTheEditToolAndNothingMoreWithTheDrawTool)
{
    CanvasHarness h;
    h.canvas.tool = ZelkCanvas::Tool::edit;
    h.doubleClick (h.at (4.3, 62.0));

    const auto note = h.processor.readNote (0);
    EXPECT_TRUE (note.on);
    EXPECT_FLOAT_EQ (note.start, 4.25f);
    EXPECT_FLOAT_EQ (note.duration, 0.25f);
    EXPECT_EQ (note.pitch, 62);
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.undoSteps(), 1);

    // The draw tool's first click draws the note; the double click then lands on it.
    h.canvas.tool = ZelkCanvas::Tool::draw;
    h.doubleClick (h.at (8.1, 57.0));
    EXPECT_TRUE (h.processor.readNote (1).on);
    EXPECT_FALSE (h.processor.readNote (2).on);
    EXPECT_EQ (h.undoSteps(), 2);
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (DoubleClick, LeavesOneNoteAndOneStepWhereverInTheRowItLands)
{
    CanvasHarness h;
    const auto row = h.canvas.rowHeight();
    const auto notesOn = [&]
    {
        int count = 0;

        for (int slot = 0; slot < slotCount; ++slot)
            count += h.processor.isNoteOn (slot) ? 1 : 0;

        return count;
    };

    struct Case
    {
        const char* where;
        double beat, pitch;
        float offset;      // pixels below the row centre
        float lastLength;  // of the last drawn note, the length a click gives
    };

    // Off the centre, near the top and the bottom of a row; and with the shortest last length,
    // where the pointer lies past the end of the note the first click made.
    const Case cases[] = {
        { "10 px below the centre", 1.1, 62.0, 10.0f, 0.25f },
        { "near the top of the row", 3.1, 64.0, -0.45f * row, 0.25f },
        { "near the bottom of the row", 5.1, 66.0, 0.45f * row, 0.25f },
        { "after a sixteenth of a beat", 7.2, 68.0, 0.0f, 0.0625f },
        { "late in a cell, off the centre", 9.2, 70.0, 0.4f * row, 0.0625f },
    };

    for (const auto& c : cases)
    {
        const auto before = notesOn();
        const auto steps = h.undoSteps();
        h.canvas.defaultLength = c.lastLength;
        h.doubleClick (h.at (c.beat, c.pitch).translated (0.0f, c.offset));
        EXPECT_EQ (notesOn(), before + 1) << c.where;
        EXPECT_EQ (h.undoSteps(), steps + 1) << c.where;
        EXPECT_EQ (h.processor.readNote (h.canvas.activeNote).pitch, (int) c.pitch) << c.where;
    }

    // With the edit tool the double click adds the note; the triple click's second double click
    // then finds it.
    h.canvas.tool = ZelkCanvas::Tool::edit;
    const auto point = h.at (11.2, 60.0).translated (0.0f, 0.45f * row);
    const auto before = notesOn();
    h.doubleClick (point);
    h.press (point, leftButton(), 3);
    h.release (point);
    h.canvas.mouseDoubleClick (pointerEvent (h.canvas, point, leftButton(), 3, false, point));
    EXPECT_EQ (notesOn(), before + 1);
    EXPECT_EQ (h.undoSteps(), (int) std::size (cases) + 1);
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (KeyAudition, ThePianoKeysSoundWhileHeldAndMakeNoNote)
{
    CanvasHarness h;
    const auto keys = 40.0f;

    h.press ({ keys, h.canvas.pitchToY (62.3) }, leftButton());
    EXPECT_TRUE (h.processor.hearRequested.load());
    EXPECT_FLOAT_EQ (h.processor.hearPitch.load(), 62.0f);
    EXPECT_FLOAT_EQ (h.processor.hearPressure.load(), 0.5f);

    h.drag ({ keys, h.canvas.pitchToY (65.4) }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.hearPitch.load(), 65.0f);
    h.release ({ keys, h.canvas.pitchToY (65.4) });

    EXPECT_FALSE (h.processor.hearRequested.load());
    EXPECT_EQ (h.canvas.firstFreeSlot(), 0);
    EXPECT_EQ (h.undoSteps(), 0);
}

TEST (HearingEdits, AStrokeSoundsOnChannelSixteenAndItsBendFollowsThePen)
{
    EngineHarness engine;
    ASSERT_FALSE (engine.host.playing);
    ZelkCanvas canvas (engine.processor);
    canvas.setSize (CanvasHarness::width, CanvasHarness::height);
    const auto at = [&] (double beat, double pitch)
    { return juce::Point<float> (canvas.beatToX (beat), canvas.pitchToY (pitch)); };
    const auto event = [&] (juce::Point<float> p, bool dragged)
    { return pointerEvent (canvas, p, leftButton(), 1, dragged, at (1.0, 60.0)); };

    engine.run (1);
    canvas.mouseDown (event (at (1.0, 60.0), false));
    auto events = onChannel (engine.run (1), 16);
    ASSERT_EQ (noteOns (events).size(), 1u);
    EXPECT_TRUE (noteOns (events)[0].isNoteOn (16, 60));
    ASSERT_FALSE (bends (events, 16).empty());
    EXPECT_TRUE (bends (events, 16).back().isBend (16, 8192));

    // Two semitones up: nearest (2 / 48 x 8192 + 8192).
    canvas.mouseDrag (event (at (2.0, 62.0), true));
    events = onChannel (engine.run (1), 16);
    EXPECT_TRUE (noteOns (events).empty());
    ASSERT_FALSE (bends (events, 16).empty());
    EXPECT_TRUE (bends (events, 16).back().isBend (16, 8533));

    canvas.mouseDrag (event (at (3.0, 57.0), true));
    events = onChannel (engine.run (1), 16);
    EXPECT_TRUE (bends (events, 16).back().isBend (16, 7680));

    canvas.mouseUp (event (at (3.0, 57.0), true));
    EXPECT_EQ (noteOffs (onChannel (engine.run (1), 16)).size(), 1u);
}
