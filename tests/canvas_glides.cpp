#include "editing/NoteConnections.h"
#include "tests/helpers/CanvasHarness.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
const auto shift = juce::ModifierKeys::shiftModifier;
const auto alt = juce::ModifierKeys::altModifier;
const juce::String shapeHint = "Drag glide up/down: shape / Shift: fine / double-click: straight";

// Two connected notes, the first selected, the edit tool in hand.
class Glides : public testing::Test
{
protected:
    void connect (float firstStart, float nextStart, int firstKey, int nextKey)
    {
        h.putNote (0, firstStart, 2.0f, firstKey);
        h.putNote (1, nextStart, 2.0f, nextKey);
        h.link (0, 1);
        h.canvas.selection = { 0 };
        h.canvas.tool = ZelkCanvas::Tool::edit;
    }

    juce::Point<float> glideAt (double u) const
    {
        return h.canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), u);
    }

    CanvasHarness h;
};
} // namespace

TEST_F (Glides, TheHandleSetsTheGlideLengthInSnappedStepsWithinLimits)
{
    connect (0.0f, 4.0f, 60, 64);
    const auto handle = glideAt (0.0);
    const auto y = handle.y;

    h.press (handle, leftButton());
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::glideLengthDrag);
    EXPECT_FALSE (h.processor.hearRequested.load());
    EXPECT_EQ (h.undoSteps(), 1);

    h.drag ({ h.canvas.beatToX (4.0 - 1.1), y }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glide, 1.0f);
    EXPECT_EQ (h.canvas.hint, "Glide: 1.00 beats / Alt: no snap");

    h.drag ({ h.canvas.beatToX (4.0 - 1.1), y }, leftButton (alt));
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glide, 1.125f); // the parameter's own step
    EXPECT_EQ (h.canvas.hint, "Glide: 1.10 beats / Alt: no snap");

    h.drag ({ h.canvas.beatToX (5.0), y }, leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glide, 0.0625f);
    h.release ({ h.canvas.beatToX (5.0), y });
    EXPECT_EQ (h.undoSteps(), 1);

    // A glide longer than the note keeps its length; the longest is 256 beats.
    h.canvas.selection = { 0 };
    h.processor.setParameterValue ("note2_start", 300.0f);
    h.processor.setParameterValue ("note1_start", 290.0f);
    h.canvas.viewStart = 280.0;
    h.canvas.viewLength = 40.0;
    h.press (glideAt (0.0), leftButton());
    h.drag ({ -20000.0f, y }, leftButton()); // beat 0
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glide, 256.0f);
    h.release ({ -20000.0f, y });
}

TEST_F (Glides, TheNextConnectionTakesTheLastDraggedLength)
{
    connect (0.0f, 4.0f, 60, 64);
    h.stroke ({ glideAt (0.0), { h.canvas.beatToX (3.5), glideAt (0.0).y } }, leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (0).glide, 0.5f);
    EXPECT_FLOAT_EQ (h.canvas.connectGlide, 0.5f);

    h.putNote (2, 8.0f, 1.0f, 60);
    h.putNote (3, 10.0f, 1.0f, 62);
    h.canvas.selection = { 2, 3 };
    connectSelection (h.processor, h.canvas.editState());
    EXPECT_EQ (h.processor.readNote (2).next, 3);
    EXPECT_FLOAT_EQ (h.processor.readNote (2).glide, 0.5f);
}

TEST_F (Glides, DraggingTheLineBendsItAHundredPixelsToTheWholeShape)
{
    connect (0.0f, 4.0f, 60, 64);
    h.processor.setParameterValue ("note1_glide", 1.0f);
    const auto middle = glideAt (0.5);

    h.press (middle, leftButton());
    EXPECT_EQ (h.canvas.currentGesture().kind, GestureKind::glideShapeDrag);
    EXPECT_EQ (h.canvas.hint, shapeHint);
    EXPECT_TRUE (h.gestures.isOpen ("note1_glideShape"));
    EXPECT_EQ (h.gestures.open(), 1);

    // Down a rising glide: a positive shape, which lies below the straight line.
    h.drag (middle.translated (0.0f, 35.0f), leftButton());
    EXPECT_NEAR (h.processor.readNote (0).glideShape, 0.35f, 1.0e-6);
    EXPECT_EQ (h.canvas.hint, "Glide shape: 35% / Shift: fine / double-click: straight");
    EXPECT_EQ (h.gestures.open(), 1); // still the one gesture

    h.drag (middle.translated (0.0f, 100.0f), leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glideShape, 1.0f);
    EXPECT_EQ (h.canvas.hint, "Glide shape: 100% / Shift: fine / double-click: straight");
    h.drag (middle.translated (0.0f, 400.0f), leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glideShape, 1.0f);

    h.drag (middle.translated (0.0f, 100.0f), leftButton (shift));
    EXPECT_NEAR (h.processor.readNote (0).glideShape, 0.1f, 1.0e-6);
    EXPECT_EQ (h.canvas.hint, "Glide shape: 10% / Shift: fine / double-click: straight");
    h.release (middle.translated (0.0f, 100.0f));

    EXPECT_FALSE (h.gestures.isOpen ("note1_glideShape"));
    EXPECT_EQ (h.gestures.open(), 0);
    EXPECT_EQ (h.undoSteps(), 1);

    // The line can be bent on an unselected note too, which it then selects.
    h.canvas.selection = { 1 };
    h.canvas.activeNote = 1;
    h.stroke ({ glideAt (0.5), glideAt (0.5).translated (0.0f, -20.0f) }, leftButton());
    EXPECT_NEAR (h.processor.readNote (0).glideShape, -0.1f, 1.0e-6);
    EXPECT_EQ (h.canvas.selection, std::set<int> { 0 });
    EXPECT_EQ (h.canvas.activeNote, 0);
}

TEST_F (Glides, DownPullsAFallingGlideDownToo)
{
    connect (0.0f, 4.0f, 64, 60);
    h.processor.setParameterValue ("note1_glide", 1.0f);
    const auto middle = glideAt (0.5);
    h.stroke ({ middle, middle.translated (0.0f, 50.0f) }, leftButton());
    EXPECT_NEAR (h.processor.readNote (0).glideShape, -0.5f, 1.0e-6);
    EXPECT_GT (glideAt (0.5).y, middle.y); // lower on screen
}

TEST_F (Glides, ADoubleClickStraightensTheGlideInOneStep)
{
    connect (0.0f, 4.0f, 60, 64);
    h.processor.setParameterValue ("note1_glide", 1.0f);
    h.processor.setParameterValue ("note1_glideShape", 0.6f);
    const auto middle = glideAt (0.5);

    // The first click is a press on the line, which records the step; the double click adds none.
    h.doubleClick (middle);
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glideShape, 0.0f);
    EXPECT_EQ (h.canvas.hint, "Glide shape reset to straight");
    EXPECT_EQ (h.canvas.activeNote, 0);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_FALSE (h.processor.readNote (2).on); // no note was added
    EXPECT_EQ (h.gestures.open(), 0);

    h.undo();
    EXPECT_NEAR (h.processor.readNote (0).glideShape, 0.6f, 1.0e-6);
    EXPECT_EQ (h.undoSteps(), 0);

    // A first click that bent the glide a little before its release: still one step, back to 0.6.
    h.press (middle, leftButton());
    h.drag (middle.translated (0.0f, 3.0f), leftButton());
    h.release (middle.translated (0.0f, 3.0f));
    h.press (middle, leftButton(), 2);
    h.release (middle);
    h.canvas.mouseDoubleClick (pointerEvent (h.canvas, middle, leftButton(), 2, false, middle));
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glideShape, 0.0f);
    EXPECT_EQ (h.undoSteps(), 1);
    h.undo();
    EXPECT_NEAR (h.processor.readNote (0).glideShape, 0.6f, 1.0e-6);

    // Every other press records its own step: a plain click on the line, and a double click that
    // follows a change made after its first click.
    h.press (middle, leftButton());
    h.release (middle);
    EXPECT_EQ (h.undoSteps(), 1);
    h.press (middle, leftButton(), 2);
    h.release (middle);
    h.processor.setParameterValue ("note1_glideShape", -0.4f);
    h.canvas.mouseDoubleClick (pointerEvent (h.canvas, middle, leftButton(), 2, false, middle));
    EXPECT_EQ (h.undoSteps(), 2);
    h.undo();
    EXPECT_NEAR (h.processor.readNote (0).glideShape, -0.4f, 1.0e-6);
}
