#include "core/NoteFields.h"
#include "editing/SelectionEdits.h"
#include "tests/helpers/EditingSession.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using zelk::test::EditingSession;
using zelk::test::valueOf;

namespace
{
// One recorded edit, as a gesture makes it: a step first, then the change.
void moveWithStep (EditingSession& session, int slot, float start)
{
    session.canvas.beforeEdit();
    session.processor.setParameterValue (noteParameterId (slot, field::start), start);
}
} // namespace

TEST (UndoHistory, KeepsTheLatestThirtyTwoStepsAndAThirtyThirdUndoDoesNothing)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);

    for (int edit = 1; edit <= 40; ++edit)
        moveWithStep (session, 0, (float) edit);

    EXPECT_EQ (session.history.undoSteps().size(), 32u);

    for (int press = 0; press < 32; ++press)
    {
        ASSERT_TRUE (session.history.canUndo());
        session.history.undo (session.canvas);
    }

    // The oldest step left is the state before edit 9.
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 8.0f);
    EXPECT_FALSE (session.history.canUndo());
    EXPECT_EQ (session.history.redoSteps().size(), 32u);

    session.startCounting();
    session.history.undo (session.canvas);
    EXPECT_TRUE (session.changedNothing());
    EXPECT_EQ (session.history.redoSteps().size(), 32u);

    for (int press = 0; press < 32; ++press)
        session.history.redo (session.canvas);

    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 40.0f);
    EXPECT_FALSE (session.history.canRedo());
}

TEST (UndoHistory, ANewEditEndsTheRedoChain)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    moveWithStep (session, 0, 1.0f);
    moveWithStep (session, 0, 2.0f);

    session.history.undo (session.canvas);
    EXPECT_TRUE (session.history.canRedo());

    session.canvas.activeNote = 0;
    nudgeSelection (session.processor, session.canvas, 0.25, 0);
    EXPECT_FALSE (session.history.canRedo());
    EXPECT_EQ (session.history.undoSteps().size(), 2u);

    session.history.redo (session.canvas);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 1.25f);
}

TEST (UndoHistory, UndoRestoresTheTimeSelectionAndLoopSwitchWithTheNotes)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.processor.setParameterValue ("rangeStart", 2.0f);
    session.processor.setParameterValue ("rangeEnd", 6.0f);
    const auto before = test::stateXml (session.processor);

    // A ruler drag: one step, then a new time selection with the loop switched on.
    session.canvas.beforeEdit();
    session.processor.setParameterValue ("rangeStart", 8.0f);
    session.processor.setParameterValue ("rangeEnd", 12.5f);
    session.processor.setParameterValue ("rangeEnabled", 1.0f);
    session.processor.setParameterValue ("looping", 1.0f);
    session.processor.setParameterValue ("note1_on", 0.0f);
    const auto after = test::stateXml (session.processor);

    session.history.undo (session.canvas);
    EXPECT_EQ (test::stateXml (session.processor), before);

    session.history.redo (session.canvas);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "rangeEnd"), 12.5f);
    EXPECT_EQ (test::stateXml (session.processor), after);

    // Settings outside the pattern are not part of a step.
    session.processor.setParameterValue ("transpose", 5.0f);
    session.history.undo (session.canvas);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "transpose"), 5.0f);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "looping"), 0.0f);
}

TEST (UndoHistory, UndoAfterHostAutomationRestoresTheNoteAsItWasBeforeTheEdit)
{
    EditingSession session;
    const auto original = test::distinctiveNote (3);
    session.processor.writeNote (5, original);
    const auto before = test::stateXml (session.processor);

    moveWithStep (session, 5, 40.0f);

    // The host then automates the same slot directly.
    auto* pitch = session.processor.parameterTree().getParameter ("note6_pitch");
    pitch->setValueNotifyingHost (pitch->convertTo0to1 (100.0f));
    auto* point = session.processor.parameterTree().getParameter ("note6_curve1_4");
    point->setValueNotifyingHost (0.0f);

    session.history.undo (session.canvas);

    EXPECT_EQ (test::stateXml (session.processor), before);
    EXPECT_EQ (session.processor.readNote (5).pitch, original.pitch);
}

TEST (UndoHistory, UndoAndRedoAlternateBetweenTwoStatesIndefinitely)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f, 60);
    const auto first = test::stateXml (session.processor);
    session.canvas.beforeEdit();
    session.processor.writeNote (1, test::distinctiveNote (12));
    session.processor.setParameterValue ("note1_pitch", 64.0f);
    const auto second = test::stateXml (session.processor);

    for (int round = 0; round < 6; ++round)
    {
        session.history.undo (session.canvas);
        ASSERT_EQ (test::stateXml (session.processor), first) << "round " << round;
        session.history.redo (session.canvas);
        ASSERT_EQ (test::stateXml (session.processor), second) << "round " << round;
        ASSERT_EQ (session.history.undoSteps().size() + session.history.redoSteps().size(), 1u);
    }
}

TEST (UndoHistory, AStepWithNoChangeRestoresAnIdenticalPattern)
{
    EditingSession session;

    for (int slot = 0; slot < slotCount; slot += 3)
        session.processor.writeNote (slot, test::distinctiveNote (slot));

    const auto before = test::stateXml (session.processor);
    session.canvas.beforeEdit();
    session.history.undo (session.canvas);
    EXPECT_EQ (test::stateXml (session.processor), before);
}

TEST (UndoHistory, RestoringTellsTheHostAndRunsTheAfterChangeRefresh)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.canvas.beforeEdit();
    session.putNote (1, 1.0f, 1.0f);
    session.canvas.activeNote = 1;
    session.startCounting();

    session.history.undo (session.canvas);

    // Every field of every slot goes back through the host, free slots included.
    EXPECT_GE (session.parameterWrites(), slotCount * fieldsPerSlot);
    EXPECT_EQ (session.gestureBalance(), 0);
    EXPECT_EQ (session.cancelledGestures, 1);
    EXPECT_EQ (session.changeNotifications, 1);
    EXPECT_FALSE (session.processor.readNote (1).on);
    EXPECT_EQ (session.canvas.activeNote, -1);

    // With nothing to redo the gesture still ends, but nothing else happens.
    session.history.redo (session.canvas);
    session.startCounting();
    session.history.redo (session.canvas);
    EXPECT_EQ (session.cancelledGestures, 1);
    EXPECT_TRUE (session.changedNothing());
}
