#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
const auto ctrl = juce::ModifierKeys::ctrlModifier;
const auto shift = juce::ModifierKeys::shiftModifier;
const auto alt = juce::ModifierKeys::altModifier;

class EditTool : public testing::Test
{
protected:
    EditTool() { h.canvas.tool = ZelkCanvas::Tool::edit; }

    // The pixels a number of beats spans in the current view.
    float beats (double b) const { return h.canvas.beatToX (b) - h.canvas.beatToX (0.0); }
    float rows (double r) const { return h.canvas.rowHeight() * (float) r; }

    void dragNote (int slot, double fraction, juce::Point<float> by, juce::ModifierKeys mods = {})
    {
        const auto from = h.onLine (slot, fraction);
        h.stroke ({ from, from + by }, leftButton (mods.getRawFlags()));
    }

    CanvasHarness h;
};
} // namespace

TEST_F (EditTool, AMoveSnapsToSixteenthsUnlessAltIsHeld)
{
    h.putNote (0, 2.0f, 1.0f, 60);
    dragNote (0, 0.3, { beats (0.3), 0.0f });
    EXPECT_FLOAT_EQ (h.processor.readNote (0).start, 2.25f);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.gestures.open(), 0);
    EXPECT_EQ (h.gestures.begun(), h.gestures.ended());

    dragNote (0, 0.3, { beats (0.3), -rows (2.4) }, alt);
    const auto note = h.processor.readNote (0);
    EXPECT_NEAR (note.start, 2.55, 1.0e-3);
    EXPECT_EQ (note.pitch, 62);
    EXPECT_FLOAT_EQ (note.duration, 1.0f);
    EXPECT_EQ (h.undoSteps(), 2);
}

TEST_F (EditTool, AReleaseBeyondTheLastDragMovesTheNoteThere)
{
    h.putNote (0, 2.0f, 1.0f, 60);
    const auto from = h.onLine (0, 0.3);
    h.press (from, leftButton());
    h.drag (from + juce::Point<float> (beats (0.5), 0.0f), leftButton());
    h.release (from + juce::Point<float> (beats (1.0), -rows (1.0)));

    const auto note = h.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.start, 3.0f);
    EXPECT_EQ (note.pitch, 61);
    EXPECT_EQ (h.undoSteps(), 1);
}

TEST_F (EditTool, AGroupStopsTogetherAtTheEdgesOfTheKeyRangeAndTheTimeline)
{
    h.canvas.lowestKey = 0;
    h.putNote (0, 1.0f, 1.0f, 2);
    h.putNote (1, 3.0f, 1.0f, 10);
    h.canvas.selection = { 0, 1 };

    dragNote (1, 0.5, { 0.0f, rows (5.0) });
    EXPECT_EQ (h.processor.readNote (0).pitch, 0);
    EXPECT_EQ (h.processor.readNote (1).pitch, 8);

    // Left past the start of the timeline: the earliest note stops at 0 and the other keeps its distance.
    dragNote (1, 0.5, { -beats (5.0), 0.0f });
    EXPECT_FLOAT_EQ (h.processor.readNote (0).start, 0.0f);
    EXPECT_FLOAT_EQ (h.processor.readNote (1).start, 2.0f);
    EXPECT_EQ (h.processor.readNote (1).pitch, 8);
}

TEST_F (EditTool, DraggingNearTheEndResizesTheWholeSelectionWithinLimits)
{
    h.putNote (0, 1.0f, 1.0f, 60);
    h.putNote (1, 4.0f, 2.0f, 64);
    h.canvas.selection = { 0, 1 };

    const auto end = h.onLine (1, 1.0).translated (-6.0f, 0.0f);
    h.stroke ({ end, end.translated (beats (1.0), 0.0f) }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).duration, 2.0f);
    EXPECT_FLOAT_EQ (h.processor.readNote (1).duration, 3.0f);
    EXPECT_FLOAT_EQ (h.processor.readNote (1).start, 4.0f);

    // Shrinking stops where the shorter note is 0.0625 beat long.
    const auto newEnd = h.onLine (1, 1.0).translated (-4.0f, 0.0f);
    h.stroke ({ newEnd, newEnd.translated (-beats (6.0), 0.0f) }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).duration, 0.0625f);
    EXPECT_FLOAT_EQ (h.processor.readNote (1).duration, 1.0625f);
    EXPECT_FLOAT_EQ (h.canvas.defaultLength, 1.0625f);
    EXPECT_EQ (h.undoSteps(), 2);
}

TEST_F (EditTool, CtrlPicksOneNoteAndCtrlShiftAddsOrRemoves)
{
    for (int slot = 0; slot < 4; ++slot)
        h.putNote (slot, 1.0f + 3.0f * (float) slot, 2.0f, 55 + 3 * slot);

    h.canvas.selection = { 0, 1, 2 };
    h.stroke ({ h.onLine (1, 0.5) }, leftButton (ctrl));
    EXPECT_EQ (h.canvas.selection, std::set<int> { 1 });
    EXPECT_EQ (h.canvas.activeNote, 1);

    h.stroke ({ h.onLine (3, 0.5) }, leftButton (ctrl | shift));
    EXPECT_EQ (h.canvas.selection, (std::set<int> { 1, 3 }));
    EXPECT_EQ (h.canvas.activeNote, 3);

    h.stroke ({ h.onLine (1, 0.5) }, leftButton (ctrl | shift));
    EXPECT_EQ (h.canvas.selection, std::set<int> { 3 });
    h.stroke ({ h.onLine (3, 0.5) }, leftButton (ctrl | shift));
    EXPECT_TRUE (h.canvas.selection.empty());
    EXPECT_EQ (h.canvas.activeNote, -1);

    // Selection changes record nothing; a plain click on empty space clears the selection.
    EXPECT_EQ (h.undoSteps(), 0);
    h.canvas.selection = { 0, 2 };
    h.stroke ({ h.at (14.0, 70.0) }, leftButton());
    EXPECT_TRUE (h.canvas.selection.empty());
}

TEST_F (EditTool, ABoxCatchesANoteWhereItsLineEntersIt)
{
    h.putNote (0, 2.0f, 10.0f, 60); // both ends outside the box
    h.putNote (1, 6.0f, 1.0f, 66);  // above the box
    h.putNote (2, 13.0f, 1.0f, 50);

    h.press (h.at (5.0, 62.0), leftButton());
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::boxSelect);
    h.drag (h.at (7.0, 58.0), leftButton());
    EXPECT_EQ (h.canvas.selection, std::set<int> { 0 });
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.canvas.lastPointer, h.at (7.0, 58.0));

    // Dragging back to a box that holds no sample point of the line lets the note go.
    h.drag (h.at (5.1, 61.0), leftButton());
    EXPECT_TRUE (h.canvas.selection.empty());
    h.release (h.at (5.1, 61.0));

    // With Shift the notes already selected stay selected; Ctrl boxes with the draw tool too.
    h.canvas.selection = { 2 };
    h.canvas.tool = ZelkCanvas::Tool::draw;
    h.stroke ({ h.at (5.0, 67.0), h.at (8.0, 59.0) }, leftButton (ctrl | shift));
    EXPECT_EQ (h.canvas.selection, (std::set<int> { 0, 1, 2 }));
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.undoSteps(), 0);
}

TEST_F (EditTool, ShiftDragMovesCopiesAndLeavesTheSources)
{
    h.putNote (5, 1.0f, 1.0f, 60);
    h.putNote (6, 3.0f, 1.0f, 62);
    h.link (5, 6);
    h.canvas.selection = { 5, 6 };

    dragNote (6, 0.5, { beats (4.0), -rows (1.0) }, shift);
    EXPECT_FLOAT_EQ (h.processor.readNote (5).start, 1.0f);
    EXPECT_FLOAT_EQ (h.processor.readNote (6).start, 3.0f);

    // The copies took the lowest free slots, kept their connection and moved together.
    const auto first = h.processor.readNote (0), second = h.processor.readNote (1);
    EXPECT_FLOAT_EQ (first.start, 5.0f);
    EXPECT_FLOAT_EQ (second.start, 7.0f);
    EXPECT_EQ (first.pitch, 61);
    EXPECT_EQ (second.pitch, 63);
    EXPECT_EQ (first.next, 1);
    EXPECT_EQ (h.canvas.selection, (std::set<int> { 0, 1 }));
    EXPECT_EQ (h.undoSteps(), 1); // the paste's

    h.undo();
    EXPECT_FALSE (h.processor.readNote (0).on);
    EXPECT_FALSE (h.processor.readNote (1).on);
}

TEST_F (EditTool, ACopyDragWithTooFewSlotsExplainsAndChangesNothing)
{
    for (int slot = 0; slot < 127; ++slot)
        h.putNote (slot, (float) slot, 0.5f, 30);

    h.putNote (20, 2.0f, 1.0f, 60);
    h.putNote (21, 4.0f, 1.0f, 62);
    h.canvas.selection = { 20, 21 };
    const auto before = stateXml (h.processor);

    const auto from = h.onLine (21, 0.5);
    h.press (from, leftButton (shift));
    EXPECT_EQ (h.canvas.hint, "Not enough free note slots (128 total)");
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::idle);
    h.drag (from.translated (beats (2.0), 0.0f), leftButton (shift));
    h.release (from.translated (beats (2.0), 0.0f));

    EXPECT_EQ (stateXml (h.processor), before);
    EXPECT_EQ (h.undoSteps(), 0);
    EXPECT_EQ (h.canvas.selection, (std::set<int> { 20, 21 }));
}

TEST_F (EditTool, APlainClickOnANoteRecordsAStepThatRestoresTheSamePattern)
{
    h.putNote (0, 2.0f, 1.0f, 60);
    const auto before = stateXml (h.processor);
    h.stroke ({ h.onLine (0, 0.5) }, leftButton());
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.canvas.activeNote, 0);

    h.undo();
    EXPECT_EQ (stateXml (h.processor), before);
}

TEST_F (EditTool, TheRightButtonDeletesTheSelectionWithEitherTool)
{
    h.putNote (0, 1.0f, 1.0f, 60);
    h.putNote (1, 3.0f, 1.0f, 62);
    h.putNote (2, 5.0f, 1.0f, 64);
    h.canvas.selection = { 0, 1 };

    // On an unselected note only that note goes.
    h.stroke ({ h.onLine (2, 0.5) }, rightButton());
    EXPECT_FALSE (h.processor.readNote (2).on);
    EXPECT_TRUE (h.processor.readNote (0).on);

    h.canvas.selection = { 0, 1 };
    h.canvas.tool = ZelkCanvas::Tool::draw;
    h.stroke ({ h.at (10.0, 50.0) }, rightButton()); // empty space
    EXPECT_TRUE (h.processor.readNote (0).on);
    h.stroke ({ h.onLine (1, 0.5) }, rightButton());
    EXPECT_FALSE (h.processor.readNote (0).on);
    EXPECT_FALSE (h.processor.readNote (1).on);
    EXPECT_EQ (h.undoSteps(), 2);
}

TEST_F (EditTool, MovingAtTheEdgeScrollsTheViewAndTheNoteFollows)
{
    h.putNote (0, 2.0f, 1.0f, 60);
    const auto grid = h.canvas.gridArea();
    const auto from = h.onLine (0, 0.5);
    const juce::Point<float> edge (grid.getRight() - 4.0f, from.y);

    h.press (from, leftButton());
    h.drag (edge, leftButton());
    const auto view = h.canvas.viewStart;
    EXPECT_NEAR (view, 0.32, 1.0e-9); // 2 % of 16 beats

    for (int repeat = 0; repeat < 4; ++repeat)
        h.repeatDrag();

    EXPECT_NEAR (h.canvas.viewStart, 5 * 0.32, 1.0e-9);
    h.release (edge);

    // Under the pointer: the beat there, less the half beat the note was pressed into, snapped.
    const auto expected = std::round ((h.canvas.xToBeat (edge.x) - 0.5) * 4.0) / 4.0;
    EXPECT_FLOAT_EQ (h.processor.readNote (0).start, (float) expected);
}

TEST (Ruler, ACtrlDragSelectsTimeAndNotesAndLoopsItOnRelease)
{
    CanvasHarness h;
    h.putNote (0, 1.0f, 3.5f, 60); // overlaps 4 .. 8
    h.putNote (1, 5.0f, 1.0f, 62);
    h.putNote (2, 8.0f, 1.0f, 64); // starts at its end
    const auto y = 15.0f;

    h.press ({ h.canvas.beatToX (4.1), y }, leftButton (ctrl));
    EXPECT_EQ (h.canvas.hint, "Drag ruler: select time and notes / right-click ruler: clear");
    h.drag ({ h.canvas.beatToX (4.05), y }, leftButton (ctrl)); // snaps back onto the anchor
    EXPECT_FALSE (isSwitchOn (h.processor.raw().rangeEnabled));

    h.drag ({ h.canvas.beatToX (7.9), y }, leftButton (ctrl));
    EXPECT_FLOAT_EQ (valueOf (h.processor, "rangeStart"), 4.0f);
    EXPECT_FLOAT_EQ (valueOf (h.processor, "rangeEnd"), 8.0f);
    EXPECT_TRUE (isSwitchOn (h.processor.raw().rangeEnabled));
    EXPECT_EQ (h.canvas.selection, (std::set<int> { 0, 1 }));
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.canvas.hint, "Selected beats 4.00 - 8.00 / LOOP repeats this range");
    EXPECT_FALSE (isSwitchOn (h.processor.raw().looping));

    h.release ({ h.canvas.beatToX (7.9), y });
    EXPECT_TRUE (isSwitchOn (h.processor.raw().looping));
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.gestures.open(), 0);

    // Undo brings back the time selection and the loop switch as they were.
    h.undo();
    EXPECT_FALSE (isSwitchOn (h.processor.raw().rangeEnabled));
    EXPECT_FALSE (isSwitchOn (h.processor.raw().looping));
}

TEST (Ruler, ACtrlClickKeepsTheRangeAndLoopsItAndARightClickClearsIt)
{
    CanvasHarness h;
    h.stroke ({ { h.canvas.beatToX (2.0), 15.0f } }, leftButton (ctrl));
    EXPECT_FALSE (isSwitchOn (h.processor.raw().looping)); // no range, nothing to loop

    h.setRange (8.0, 12.0);
    h.stroke ({ { h.canvas.beatToX (2.0), 15.0f } }, leftButton (ctrl));
    EXPECT_FLOAT_EQ (valueOf (h.processor, "rangeStart"), 8.0f);
    EXPECT_TRUE (isSwitchOn (h.processor.raw().looping));
    EXPECT_EQ (h.undoSteps(), 2);

    h.putNote (0, 9.0f, 1.0f, 60);
    h.canvas.selection = { 0 };
    h.stroke ({ { h.canvas.beatToX (3.0), 15.0f } }, rightButton());
    EXPECT_FALSE (isSwitchOn (h.processor.raw().rangeEnabled));
    EXPECT_EQ (h.canvas.hint, "Time selection cleared");
    EXPECT_EQ (h.canvas.selection, std::set<int> { 0 });
    EXPECT_TRUE (h.processor.readNote (0).on);
    EXPECT_EQ (h.undoSteps(), 3);
}

TEST (Ruler, AClickSetsThePlaybackCursorAndLeavingTheLoopStopsLooping)
{
    CanvasHarness h;
    h.setRange (4.0, 8.0);
    h.processor.setParameterValue ("looping", 1.0f);

    h.stroke ({ { h.canvas.beatToX (5.1), 12.0f } }, leftButton());
    EXPECT_DOUBLE_EQ (h.processor.startPosition.load(), 5.0);
    EXPECT_DOUBLE_EQ (h.processor.seekRequest.load(), 5.0);
    EXPECT_TRUE (isSwitchOn (h.processor.raw().looping));
    EXPECT_EQ (h.canvas.hint, "Playback cursor set / Ctrl-drag ruler: loop selection");

    // The loop's end lies outside it.
    h.stroke ({ { h.canvas.beatToX (8.0), 12.0f } }, leftButton());
    EXPECT_FALSE (isSwitchOn (h.processor.raw().looping));
    EXPECT_DOUBLE_EQ (h.processor.startPosition.load(), 8.0);

    h.stroke ({ { h.canvas.beatToX (10.37), 12.0f } }, leftButton (alt));
    EXPECT_NEAR (h.processor.startPosition.load(), 10.37, 1.0e-3);
    EXPECT_EQ (h.undoSteps(), 0);
}
