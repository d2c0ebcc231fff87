#include "core/NoteFields.h"
#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/TestProcessor.h"
#include "ui/canvas/VibratoPanel.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
enum class Interruption
{
    escape,
    focusLoss,
    pressElsewhere,
    destruction
};

const char* nameOf (Interruption interruption)
{
    switch (interruption)
    {
        case Interruption::escape:
            return "Escape";
        case Interruption::focusLoss:
            return "focus loss";
        case Interruption::pressElsewhere:
            return "a press elsewhere";
        case Interruption::destruction:
            return "destruction";
    }

    return "";
}

void interrupt (CanvasHarness& h, Interruption interruption)
{
    switch (interruption)
    {
        case Interruption::escape:
            h.canvas.cancelGesture();
            break; // what Escape and the tool keys run
        case Interruption::focusLoss:
            h.canvas.focusLost (juce::Component::focusChangedByMouseClick);
            break;
        case Interruption::pressElsewhere:
            h.press ({ 10.0f, 10.0f }, leftButton());
            break;
        case Interruption::destruction:
            h.destroyCanvas();
            break;
    }
}

// A host changing a parameter as automation would: straight to the parameter, no editor involved.
void automate (ZelkProcessor& processor, const juce::String& identifier, float value)
{
    auto* parameter = processor.parameterTree().getParameter (identifier);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

float pitchPoint (const Note& note, int i) { return note.curves[pitchCurve][(size_t) i]; }
} // namespace

TEST (CanvasInterruptions, EveryWayOfEndingAGestureClosesWhatItOpenedAndKeepsWhatWasDrawn)
{
    for (const auto interruption :
         { Interruption::escape, Interruption::focusLoss, Interruption::pressElsewhere, Interruption::destruction })
    {
        SCOPED_TRACE (nameOf (interruption));

        // A new stroke halfway.
        {
            CanvasHarness h;
            h.press (h.at (1.0, 60.0), leftButton());
            h.drag (h.at (3.0, 64.0), leftButton());
            ASSERT_EQ (h.gestures.open(), curvePointCount);
            interrupt (h, interruption);
            EXPECT_EQ (h.gestures.open(), 0);
            EXPECT_EQ (h.gestures.begun(), h.gestures.ended());
            EXPECT_FALSE (h.processor.hearRequested.load());

            const auto note = h.processor.readNote (0);
            EXPECT_TRUE (note.on);
            EXPECT_FLOAT_EQ (note.duration, 2.0f);
            EXPECT_NEAR (pitchPoint (note, 32), 4.0 / 48.0, 1.0e-5);
        }

        // A curve being redrawn.
        {
            CanvasHarness h;
            h.putNote (0, 1.0f, 4.0f, 60);
            h.press (h.at (3.0, 60.0), leftButton());
            h.drag (h.at (3.0, 62.0), leftButton());
            ASSERT_EQ (h.gestures.open(), curvePointCount);
            interrupt (h, interruption);
            EXPECT_EQ (h.gestures.open(), 0);
            EXPECT_NEAR (pitchPoint (h.processor.readNote (0), 16), 2.0 / 48.0, 1.0e-5);
        }

        // A glide being bent.
        {
            CanvasHarness h;
            h.putNote (0, 0.0f, 2.0f, 60);
            h.putNote (1, 4.0f, 2.0f, 64);
            h.link (0, 1);
            h.processor.setParameterValue ("note1_glide", 1.0f);
            h.canvas.tool = ZelkCanvas::Tool::edit;
            const auto middle = h.canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.5);
            h.press (middle, leftButton());
            h.drag (middle.translated (0.0f, 30.0f), leftButton());
            ASSERT_TRUE (h.gestures.isOpen ("note1_glideShape"));
            interrupt (h, interruption);
            EXPECT_EQ (h.gestures.open(), 0);
            EXPECT_NEAR (h.processor.readNote (0).glideShape, 0.3f, 1.0e-6);
        }
    }
}

TEST (CanvasInterruptions, AStrokeWhoseNoteTheHostSwitchesOffWritesNothingMore)
{
    CanvasHarness h;
    h.putNote (1, 8.0f, 1.0f, 55);
    h.press (h.at (1.0, 60.0), leftButton());
    h.drag (h.at (2.0, 62.0), leftButton());

    automate (h.processor, "note1_on", 0.0f);
    const auto before = stateXml (h.processor);
    h.drag (h.at (3.0, 64.0), leftButton());
    h.repeatDrag();
    EXPECT_EQ (stateXml (h.processor), before);
    h.release (h.at (3.0, 64.0));

    EXPECT_EQ (h.gestures.open(), 0);
    EXPECT_EQ (h.canvas.activeNote, -1); // the editor's refresh let go of the freed note

    // The next stroke takes the freed slot as a new note.
    h.stroke ({ h.at (5.0, 57.0) }, leftButton());
    EXPECT_TRUE (h.processor.readNote (0).on);
    EXPECT_EQ (h.processor.readNote (0).pitch, 57);
}

TEST (CanvasInterruptions, AStateLoadedUnderAMoveLeavesTheSlotsTheMoveDoesNotOwn)
{
    CanvasHarness h;
    h.putNote (0, 1.0f, 1.0f, 60);
    h.putNote (1, 3.0f, 1.0f, 62);
    const auto earlier = saveState (h.processor);

    h.putNote (2, 6.0f, 1.0f, 64);
    h.canvas.tool = ZelkCanvas::Tool::edit;
    h.canvas.selection = { 1, 2 };
    const auto from = h.onLine (2, 0.5);
    h.press (from, leftButton());
    h.drag (from.translated (h.canvas.beatToX (1.0) - h.canvas.beatToX (0.0), 0.0f), leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (2).start, 7.0f);

    // The host loads the state from before slot 2 existed.
    loadState (h.processor, earlier);
    const auto to = from.translated (h.canvas.beatToX (2.0) - h.canvas.beatToX (0.0), 0.0f);
    h.drag (to, leftButton());
    h.release (to);

    EXPECT_FALSE (h.processor.readNote (2).on);
    EXPECT_FLOAT_EQ (h.processor.readNote (0).start, 1.0f);
    EXPECT_FLOAT_EQ (h.processor.readNote (1).start, 5.0f); // still the move's, from its copy
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (CanvasInterruptions, AGlideDisconnectedUnderTheDragIsLeftAlone)
{
    CanvasHarness h;
    h.putNote (0, 0.0f, 2.0f, 60);
    h.putNote (1, 4.0f, 2.0f, 64);
    h.link (0, 1);
    h.canvas.selection = { 0 };
    h.canvas.tool = ZelkCanvas::Tool::edit;
    const auto handle = h.canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.0);

    h.press (handle, leftButton());
    automate (h.processor, "note1_next", 0.0f);
    const auto before = stateXml (h.processor);
    h.drag (handle.translated (-100.0f, 0.0f), leftButton());
    EXPECT_EQ (stateXml (h.processor), before);
    h.release (handle);

    // The same for the shape, whose gesture still closes.
    h.link (0, 1);
    h.processor.setParameterValue ("note1_glide", 1.0f);
    const auto middle = h.canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.5);
    h.press (middle, leftButton());
    automate (h.processor, "note2_on", 0.0f);
    h.drag (middle.translated (0.0f, 40.0f), leftButton());
    EXPECT_FLOAT_EQ (h.processor.readNote (0).glideShape, 0.0f);
    h.release (middle);
    EXPECT_EQ (h.gestures.open(), 0);
}

TEST (CanvasInterruptions, ThePanelIgnoresAValueForANoteTheHostSwitchedOff)
{
    CanvasHarness h;
    h.putNote (0, 2.0f, 4.0f, 60);
    h.canvas.activeNote = 0;
    h.canvas.toggleVibratoPanel();
    auto& slider = h.canvas.vibratoPanel()->slider (ZelkCanvas::VibratoPanel::depth);
    const auto steps = h.undoSteps();

    automate (h.processor, "note1_on", 0.0f);
    const auto before = stateXml (h.processor);
    slider.setValue (4.0, juce::sendNotificationSync);
    EXPECT_EQ (stateXml (h.processor), before);
    EXPECT_EQ (h.undoSteps(), steps);
}
