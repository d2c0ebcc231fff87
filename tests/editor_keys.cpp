#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/TestProcessor.h"

#include "editing/NoteClipboard.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
constexpr int ctrl = juce::ModifierKeys::commandModifier;
constexpr int shift = juce::ModifierKeys::shiftModifier;
constexpr int alt = juce::ModifierKeys::altModifier;

struct PianoRollKeys : ::testing::Test
{
    EditorHarness editor;
    ZelkProcessor& processor = editor.processor;
    ZelkCanvas& canvas = editor.canvas();

    int notesOn() const
    {
        int count = 0;

        for (int slot = 0; slot < slotCount; ++slot)
            count += processor.isNoteOn (slot) ? 1 : 0;

        return count;
    }
};
} // namespace

TEST_F (PianoRollKeys, CtrlLettersWorkTheSelectionClipboardAndHistory)
{
    writePlainNote (processor, 2, 0.0f, 1.0f, 60);
    writePlainNote (processor, 7, 1.0f, 1.0f, 62);

    EXPECT_TRUE (editor.press ('a', ctrl));
    EXPECT_EQ (canvas.selection, (std::set<int> { 2, 7 }));
    EXPECT_EQ (canvas.activeNote, 2);

    EXPECT_TRUE (editor.press ('g', ctrl));
    EXPECT_EQ (processor.readNote (2).next, 7);
    EXPECT_TRUE (editor.press ('G', ctrl | shift));
    EXPECT_EQ (processor.readNote (2).next, -1);

    // Duplicate pastes right after the selection's end.
    EXPECT_TRUE (editor.press ('b', ctrl));
    EXPECT_EQ (notesOn(), 4);
    EXPECT_EQ (processor.readNote (0).start, 2.0f);
    EXPECT_EQ (processor.readNote (1).start, 3.0f);

    EXPECT_TRUE (editor.press ('d', ctrl));
    EXPECT_TRUE (canvas.selection.empty());
    EXPECT_EQ (canvas.activeNote, -1);

    canvas.selection = { 0, 1 };
    EXPECT_TRUE (editor.press ('x', ctrl));
    EXPECT_EQ (notesOn(), 2);
    EXPECT_EQ (noteClipboard().size(), 2u);

    const auto steps = editor->undoHistory().undoSteps().size();
    EXPECT_TRUE (editor.press ('z', ctrl));
    EXPECT_EQ (notesOn(), 4);
    EXPECT_TRUE (editor.press ('Z', ctrl | shift));
    EXPECT_EQ (notesOn(), 2);
    EXPECT_TRUE (editor.press ('z', ctrl));
    EXPECT_TRUE (editor.press ('y', ctrl));
    EXPECT_EQ (notesOn(), 2);
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), steps);

    canvas.selection = { 2 };
    EXPECT_TRUE (editor.press ('c', ctrl));
    EXPECT_EQ (canvas.hint, "Selection copied");
}

TEST_F (PianoRollKeys, CtrlQQuantizesStartsToTheNearestSixteenth)
{
    writePlainNote (processor, 0, 1.125f, 0.5f, 60);
    writePlainNote (processor, 1, 1.1f, 0.3f, 62);
    canvas.selection = { 0, 1 };

    EXPECT_TRUE (editor.press ('q', ctrl));
    EXPECT_EQ (processor.readNote (0).start, 1.25f);
    EXPECT_EQ (processor.readNote (1).start, 1.0f);
    EXPECT_EQ (processor.readNote (1).duration, 0.3f);
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 1u);
}

TEST_F (PianoRollKeys, CtrlVPastesAtThePointerSnappedDown)
{
    writePlainNote (processor, 0, 0.0f, 1.0f, 60);
    canvas.activeNote = 0;
    editor.press ('c', ctrl);

    canvas.lastPointer = { canvas.beatToX (2.99), canvas.pitchToY (60.0) };
    EXPECT_TRUE (editor.press ('v', ctrl));
    EXPECT_NEAR (processor.readNote (1).start, 2.75f, 1e-4f);

    canvas.timeSnap = false;
    EXPECT_TRUE (editor.press ('v', ctrl));
    EXPECT_NEAR (processor.readNote (2).start, 2.99f, 0.01f);
}

TEST_F (PianoRollKeys, KeyCodesSnapZoomNudgeAndDelete)
{
    EXPECT_TRUE (editor.press (juce::KeyPress::backspaceKey));
    EXPECT_EQ (canvas.hint, "Snap: off");
    EXPECT_TRUE (editor.press (juce::KeyPress::backspaceKey));
    EXPECT_EQ (canvas.hint, "Snap: 1/16");
    EXPECT_TRUE (editor.press (juce::KeyPress::backspaceKey, ctrl));
    EXPECT_FALSE (canvas.timeSnap);

    canvas.viewLength = 1.5;
    EXPECT_TRUE (editor.press (juce::KeyPress::pageUpKey));
    EXPECT_EQ (canvas.effectiveViewLength(), 1.0);
    EXPECT_TRUE (editor.press (juce::KeyPress::pageDownKey));
    EXPECT_EQ (canvas.effectiveViewLength(), 2.0);

    writePlainNote (processor, 0, 1.0f, 1.0f, 60);
    canvas.activeNote = 0;
    EXPECT_TRUE (editor.press (juce::KeyPress::rightKey));
    EXPECT_EQ (processor.readNote (0).start, 1.25f);
    EXPECT_TRUE (editor.press (juce::KeyPress::leftKey, alt));
    EXPECT_EQ (processor.readNote (0).start, 1.1875f);
    EXPECT_TRUE (editor.press (juce::KeyPress::upKey));
    EXPECT_EQ (processor.readNote (0).pitch, 61);
    EXPECT_TRUE (editor.press (juce::KeyPress::downKey, ctrl));
    EXPECT_EQ (processor.readNote (0).pitch, 49);
    EXPECT_TRUE (editor.press (juce::KeyPress::upKey, ctrl));
    EXPECT_EQ (processor.readNote (0).pitch, 61);

    EXPECT_TRUE (editor.press (juce::KeyPress::deleteKey));
    EXPECT_FALSE (processor.isNoteOn (0));
}

TEST_F (PianoRollKeys, ShiftedDigitsFitTheView)
{
    writePlainNote (processor, 0, 8.0f, 1.0f, 60);
    canvas.activeNote = 0;

    EXPECT_TRUE (editor.press ('5', shift));
    EXPECT_EQ (canvas.effectiveViewStart(), 7.5);
    EXPECT_EQ (canvas.effectiveViewLength(), 2.0);

    EXPECT_TRUE (editor.press ('4', shift));
    EXPECT_EQ (canvas.effectiveViewStart(), 0.0);
    EXPECT_EQ (canvas.effectiveViewLength(), 12.0);

    // Where shifted digits arrive as their symbols.
    canvas.viewLength = 3.0;
    EXPECT_TRUE (editor.press ('$', shift));
    EXPECT_EQ (canvas.effectiveViewLength(), 12.0);
    EXPECT_TRUE (editor.press ('%', shift));
    EXPECT_EQ (canvas.effectiveViewLength(), 2.0);
}

TEST_F (PianoRollKeys, LettersSwitchSnapsToolsAndTransport)
{
    EXPECT_TRUE (editor.press ('f'));
    EXPECT_FALSE (canvas.pitchSnap);
    EXPECT_EQ (canvas.hint, "Pitch: free");
    EXPECT_TRUE (editor.press ('F', shift));
    EXPECT_EQ (canvas.hint, "Pitch: semitones");

    EXPECT_TRUE (editor.press ('e'));
    EXPECT_EQ (canvas.tool, ZelkCanvas::Tool::edit);
    EXPECT_EQ (canvas.hint, "P: draw / E: edit / V: vibrato on the selected note");
    EXPECT_TRUE (editor.press ('p'));
    EXPECT_EQ (canvas.tool, ZelkCanvas::Tool::draw);

    EXPECT_TRUE (editor.press (juce::KeyPress::spaceKey));
    EXPECT_TRUE (processor.playRequested.load());
    EXPECT_TRUE (editor.press (juce::KeyPress::spaceKey));
    EXPECT_FALSE (processor.playRequested.load());

    EXPECT_TRUE (editor.press ('v'));
    EXPECT_EQ (canvas.hint, "Select a note, then V for vibrato");
    writePlainNote (processor, 0, 1.0f, 1.0f, 60);
    canvas.activeNote = 0;
    EXPECT_TRUE (editor.press ('V', shift));
    EXPECT_TRUE (processor.readNote (0).vibOn);
    EXPECT_TRUE (canvas.panelOpen);

    EXPECT_TRUE (editor.press (juce::KeyPress::escapeKey));
    EXPECT_EQ (canvas.hint, "Cancelled");
    EXPECT_FALSE (canvas.panelOpen);
}

TEST_F (PianoRollKeys, CtrlWithOtherKeysAndUnknownKeysAreNotTaken)
{
    for (const auto key : { (int) 'f', (int) 'p', (int) juce::KeyPress::spaceKey, (int) 'k', (int) 'e' })
        EXPECT_FALSE (editor.press (key, ctrl)) << key;

    EXPECT_FALSE (processor.playRequested.load());
    EXPECT_TRUE (canvas.pitchSnap);
    EXPECT_FALSE (editor.press ('k'));
    EXPECT_FALSE (editor.press (juce::KeyPress::F5Key));
    EXPECT_FALSE (editor.press (juce::KeyPress::returnKey));
}

TEST_F (PianoRollKeys, TheCanvasTakesKeysWhenItHasTheFocus)
{
    writePlainNote (processor, 0, 1.0f, 1.0f, 60);
    EXPECT_TRUE (editor.press (juce::KeyPress ('a', juce::ModifierKeys (ctrl), 0), &canvas));
    EXPECT_EQ (canvas.selection, (std::set<int> { 0 }));

    // A focused toolbar button does not take the key; the window passes it to the piano roll.
    EXPECT_TRUE (editor.press (juce::KeyPress (juce::KeyPress::deleteKey), &editor->button (EditorButton::smooth)));
    EXPECT_FALSE (processor.isNoteOn (0));
}

TEST_F (PianoRollKeys, OtherPagesLeaveEveryKeyToTheHost)
{
    writePlainNote (processor, 0, 1.0f, 1.0f, 60);
    canvas.activeNote = 0;
    editor->undoHistory().pushUndo();

    for (const auto page : { controlsPage, motionPage, instrumentPage })
    {
        editor->showTab (page);
        EXPECT_FALSE (editor.press (juce::KeyPress::spaceKey));
        EXPECT_FALSE (editor.press (juce::KeyPress::deleteKey));
        EXPECT_FALSE (editor.press ('z', ctrl));
        EXPECT_FALSE (editor.press (juce::KeyPress::escapeKey));
        // Even when the hidden piano roll still had the focus.
        EXPECT_FALSE (editor.press (juce::KeyPress (juce::KeyPress::deleteKey), &canvas));
    }

    EXPECT_FALSE (processor.playRequested.load());
    EXPECT_TRUE (processor.isNoteOn (0));
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 1u);
}
