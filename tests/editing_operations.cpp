#include "core/NoteFields.h"
#include "editing/AfterChangeRefresh.h"
#include "editing/CurveSmoothing.h"
#include "editing/NoteConnections.h"
#include "editing/PatternClearing.h"
#include "editing/SelectionEdits.h"
#include "tests/helpers/EditingSession.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

using namespace zelk;
using zelk::test::EditingSession;
using zelk::test::valueOf;

namespace
{
const juce::String connectHowTo = "Select at least two notes: Ctrl-click / Ctrl-drag a box, then CONNECT";
const juce::String overlapRefusal = "Connect chronological notes without overlap; move or resize overlapping notes first";
const juce::String rangeRefusal = "This phrase exceeds the +/-48 semitone MPE range from its first note";

void setPitchCurvePoint (ZelkProcessor& processor, int slot, int point, float value)
{
    processor.setParameterValue (noteParameterId (slot, field::curvePoint (pitchCurve, point)), value);
}
} // namespace

TEST (ConnectSelection, LinksThreeNotesInTimeOrderWhateverTheirSlotsAndSelectionOrder)
{
    // Every assignment of the notes at beats 0, 1 and 2 to slots 3, 7 and 11.
    std::array<int, 3> slots { 3, 7, 11 };

    do
    {
        EditingSession session;
        const auto n1 = session.putNote (slots[0], 0.0f, 1.0f, 60);
        const auto n2 = session.putNote (slots[1], 1.0f, 1.0f, 62);
        const auto n3 = session.putNote (slots[2], 2.0f, 1.0f, 64);
        session.canvas.connectGlide = 0.5f;
        session.canvas.connectGlideShape = -0.25f;
        session.select ({ n3, n1, n2 });
        session.startCounting();

        connectSelection (session.processor, session.canvas);

        const auto first = session.processor.readNote (n1);
        const auto second = session.processor.readNote (n2);
        EXPECT_EQ (first.next, n2);
        EXPECT_EQ (second.next, n3);
        EXPECT_EQ (session.processor.readNote (n3).next, -1);
        EXPECT_FLOAT_EQ (first.glide, 0.5f);
        EXPECT_FLOAT_EQ (second.glide, 0.5f);
        EXPECT_NEAR (first.glideShape, -0.25f, 1.0e-6);
        EXPECT_NEAR (second.glideShape, -0.25f, 1.0e-6);
        EXPECT_EQ (session.canvas.hint, "Connected 3 notes: one attack / GLIDE beats adjusts each transition");
        EXPECT_EQ (session.canvas.activeNote, n1);
        EXPECT_EQ (session.canvas.selection.size(), 3u);
        EXPECT_TRUE (session.recordedOneStepFirst());
        EXPECT_EQ (session.changeNotifications, 1);
    } while (std::next_permutation (slots.begin(), slots.end()));
}

TEST (ConnectSelection, RefusesFewerThanTwoNotesWithTheHowToAndNoChange)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 1.0f, 1.0f);

    // One note selected, or one on note among free slots in the selection.
    for (const auto& selection : { std::set<int> {}, std::set<int> { 0 }, std::set<int> { 0, 5, 9 } })
    {
        session.canvas.selection = selection;
        session.canvas.activeNote = selection.empty() ? 1 : -1;
        session.startCounting();

        connectSelection (session.processor, session.canvas);

        EXPECT_EQ (session.canvas.hint, connectHowTo);
        EXPECT_TRUE (session.changedNothing());
        EXPECT_EQ (session.canvas.selection, selection);
    }
}

TEST (ConnectSelection, RefusesOverlapButAcceptsTheTenThousandthOfABeatTolerance)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 0.5f, 1.0f);
    session.select ({ 0, 1 });
    session.startCounting();

    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, overlapRefusal);
    EXPECT_TRUE (session.changedNothing());
    EXPECT_EQ (session.canvas.activeNote, -1);

    session.processor.setParameterValue ("note2_start", 0.9999f);
    session.startCounting();
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.processor.readNote (0).next, 1);
    EXPECT_TRUE (session.recordedOneStepFirst());
}

TEST (ConnectSelection, RefusesAPhraseWiderThanTheBendRangeFromItsFirstKey)
{
    EditingSession session;
    ASSERT_FLOAT_EQ (valueOf (session.processor, "bend"), 48.0f);
    session.putNote (0, 0.0f, 1.0f, 60);
    session.putNote (1, 1.0f, 1.0f, 60);
    session.select ({ 0, 1 });

    // A pitch-curve point of 1 on the later note: 48 semitones above the first key.
    setPitchCurvePoint (session.processor, 1, 20, 1.0f);
    session.startCounting();
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, rangeRefusal);
    EXPECT_TRUE (session.changedNothing());

    // The same point on the first note counts too, and so does a bend downwards.
    setPitchCurvePoint (session.processor, 1, 20, 0.0f);
    setPitchCurvePoint (session.processor, 0, 0, -1.0f);
    session.startCounting();
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, rangeRefusal);
    EXPECT_TRUE (session.changedNothing());

    // With bend depth 24 the point means 24 semitones and the phrase fits.
    session.processor.setParameterValue ("bend", 24.0f);
    session.startCounting();
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.processor.readNote (0).next, 1);

    // The range is measured from the earliest note's key, whatever its slot: 47 keys fit, 48 do not.
    session.putNote (2, 3.0f, 1.0f, 107);
    session.putNote (3, 4.0f, 1.0f, 108);
    session.putNote (4, 2.0f, 1.0f, 60);
    session.select ({ 2, 3, 4 });
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, rangeRefusal);
    session.select ({ 2, 4 });
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.processor.readNote (4).next, 2);
}

TEST (ConnectSelection, NamesTheFaultOfTheEarliestFaultyNote)
{
    // The second note bends beyond the range and the third overlaps it: the second is met first.
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f, 60);
    session.putNote (1, 1.0f, 1.0f, 60);
    session.putNote (2, 1.5f, 1.0f, 60);
    setPitchCurvePoint (session.processor, 1, 16, 1.0f);
    session.select ({ 0, 1, 2 });
    session.startCounting();
    connectSelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, rangeRefusal);
    EXPECT_TRUE (session.changedNothing());

    // The second note overlaps the first and the third bends too far: the overlap comes first.
    EditingSession other;
    other.putNote (0, 0.0f, 1.0f, 60);
    other.putNote (1, 0.5f, 1.0f, 60);
    other.putNote (2, 2.0f, 1.0f, 60);
    setPitchCurvePoint (other.processor, 2, 16, -1.0f);
    other.select ({ 0, 1, 2 });
    other.startCounting();
    connectSelection (other.processor, other.canvas);
    EXPECT_EQ (other.canvas.hint, overlapRefusal);
    EXPECT_TRUE (other.changedNothing());
}

TEST (ConnectSelection, LeavesEachNoteOfThePhraseExactlyOnePredecessor)
{
    EditingSession session;
    const auto n1 = session.putNote (0, 4.0f, 1.0f);
    const auto n2 = session.putNote (1, 5.0f, 1.0f);
    const auto other = session.putNote (2, 0.0f, 1.0f);
    const auto unrelated = session.putNote (3, 8.0f, 1.0f);
    session.link (other, n2);
    session.link (unrelated, other);
    session.select ({ n1, n2 });

    connectSelection (session.processor, session.canvas);

    EXPECT_EQ (session.processor.readNote (n1).next, n2);
    EXPECT_EQ (session.processor.readNote (other).next, -1);
    EXPECT_EQ (session.processor.readNote (unrelated).next, other);
}

TEST (ConnectSelection, KeepsTheGlideOfAPairThatWasAlreadyConnected)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 1.0f, 1.0f);
    session.putNote (2, 2.0f, 1.0f);
    session.link (0, 1);
    session.processor.setParameterValue ("note1_glide", 2.0f);
    session.processor.setParameterValue ("note1_glideShape", 0.75f);
    session.canvas.connectGlide = 0.125f;
    session.select ({ 0, 1, 2 });

    connectSelection (session.processor, session.canvas);

    EXPECT_FLOAT_EQ (session.processor.readNote (0).glide, 2.0f);
    EXPECT_NEAR (session.processor.readNote (0).glideShape, 0.75f, 1.0e-6);
    EXPECT_FLOAT_EQ (session.processor.readNote (1).glide, 0.125f);
    EXPECT_EQ (session.processor.readNote (1).next, 2);
}

TEST (DisconnectSelection, CutsLinksFromAndIntoTheSelectionIncludingUnselectedPredecessors)
{
    EditingSession session;
    for (int slot = 0; slot < 4; ++slot)
        session.putNote (slot, (float) slot, 1.0f);

    session.link (0, 1);
    session.link (1, 2);
    session.link (2, 3);
    session.select ({ 1 });
    session.startCounting();

    disconnectSelection (session.processor, session.canvas);

    EXPECT_EQ (session.processor.readNote (0).next, -1);
    EXPECT_EQ (session.processor.readNote (1).next, -1);
    EXPECT_EQ (session.processor.readNote (2).next, 3);
    EXPECT_EQ (session.canvas.hint, "Disconnected: notes have their own attacks again");
    EXPECT_TRUE (session.recordedOneStepFirst());

    session.canvas.selection.clear();
    session.canvas.activeNote = -1;
    session.canvas.hint = "before";
    session.startCounting();
    disconnectSelection (session.processor, session.canvas);
    EXPECT_TRUE (session.changedNothing());
    EXPECT_EQ (session.canvas.hint, "before");
}

TEST (DeleteSelection, FreesTheMiddleOfAChainAndCutsOnlyTheLinkIntoIt)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f, 60);
    session.putNote (1, 1.0f, 1.0f, 62);
    session.putNote (2, 2.0f, 1.0f, 64);
    session.link (0, 1);
    session.link (1, 2);
    session.canvas.activeNote = 1;
    session.startCounting();

    deleteSelection (session.processor, session.canvas);

    const auto freed = session.processor.readNote (1);
    EXPECT_FALSE (freed.on);
    EXPECT_EQ (freed.next, -1);
    EXPECT_EQ (freed.pitch, 62); // invisible until the slot is written again
    EXPECT_EQ (session.processor.readNote (0).next, -1);
    EXPECT_TRUE (session.processor.readNote (0).on);
    EXPECT_TRUE (session.processor.readNote (2).on);
    EXPECT_EQ (session.canvas.activeNote, -1);
    EXPECT_TRUE (session.canvas.selection.empty());
    EXPECT_TRUE (session.recordedOneStepFirst());
    EXPECT_GE (session.cancelledGestures, 1);

    session.startCounting();
    deleteSelection (session.processor, session.canvas);
    EXPECT_TRUE (session.changedNothing());
}

TEST (NudgeSelection, MovesTheGroupAsFarAsItCanAndKeepsItsShape)
{
    EditingSession session;
    session.putNote (0, 0.1f, 1.0f, 120);
    session.putNote (1, 3.0f, 2.0f, 50);
    session.putNote (2, 9.0f, 1.0f, 70); // not selected
    session.select ({ 0, 1 });

    session.startCounting();
    nudgeSelection (session.processor, session.canvas, -0.25, 0);
    EXPECT_NEAR (session.processor.readNote (0).start, 0.0f, 1.0e-4);
    EXPECT_NEAR (session.processor.readNote (1).start, 2.9f, 1.0e-4);
    EXPECT_FLOAT_EQ (session.processor.readNote (2).start, 9.0f);
    EXPECT_TRUE (session.recordedOneStepFirst());

    nudgeSelection (session.processor, session.canvas, 0.0, 12);
    EXPECT_EQ (session.processor.readNote (0).pitch, 127);
    EXPECT_EQ (session.processor.readNote (1).pitch, 57);

    nudgeSelection (session.processor, session.canvas, 0.0, -100);
    EXPECT_EQ (session.processor.readNote (0).pitch, 70);
    EXPECT_EQ (session.processor.readNote (1).pitch, 0);
    EXPECT_EQ (session.processor.readNote (2).pitch, 70);
}

TEST (NudgeSelection, StopsAtTheEndOfTheTimelineAndAcrossPages)
{
    EditingSession session;
    session.putNote (0, 262070.0f, 2.0f);
    session.putNote (1, 262076.0f, 4.0f);
    session.select ({ 0, 1 });

    nudgeSelection (session.processor, session.canvas, 100.0, 0);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 262070.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (1).start, 262076.0f);

    nudgeSelection (session.processor, session.canvas, -262070.0 + 15.75, 0);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 15.75f);
    nudgeSelection (session.processor, session.canvas, 0.25, 0);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 16.0f);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "note1_startPage"), 1.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (1).start, 22.0f);
}

TEST (NudgeSelection, NeverTurnsAroundForANoteTheHostLeftPastTheEnd)
{
    EditingSession session;
    session.putNote (0, 262000.0f, 1.0f);
    // A host may set the duration page directly, past what the editor allows.
    session.processor.setParameterValue ("note1_durationPage", 100.0f);
    session.canvas.activeNote = 0;

    nudgeSelection (session.processor, session.canvas, 0.25, 0);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 262000.0f);
    nudgeSelection (session.processor, session.canvas, -0.25, 0);
    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 261999.75f);
}

TEST (QuantizeSelectionStarts, RoundsStartsToTheNearestSixteenthHalvesAway)
{
    EditingSession session;
    session.putNote (0, 1.125f, 0.3f);
    session.putNote (1, 1.1f, 0.7f);
    session.putNote (2, 17.9f, 1.0f);
    session.putNote (3, 5.1f, 1.0f); // not selected
    session.select ({ 0, 1, 2 });
    session.startCounting();

    quantizeSelectionStarts (session.processor, session.canvas);

    EXPECT_FLOAT_EQ (session.processor.readNote (0).start, 1.25f);
    EXPECT_FLOAT_EQ (session.processor.readNote (1).start, 1.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (2).start, 18.0f);
    EXPECT_NEAR (session.processor.readNote (3).start, 5.1f, 1.0e-4);
    EXPECT_NEAR (session.processor.readNote (0).duration, 0.3f, 1.0e-4);
    EXPECT_NEAR (session.processor.readNote (1).duration, 0.7f, 1.0e-4);
    EXPECT_TRUE (session.recordedOneStepFirst());

    session.canvas.selection.clear();
    session.startCounting();
    quantizeSelectionStarts (session.processor, session.canvas);
    EXPECT_TRUE (session.changedNothing());
}

TEST (QuantizeSelectionStarts, KeepsANoteAtTheEndOfTheTimelineOnIt)
{
    EditingSession session;
    session.putNote (0, 262079.9375f, 0.0625f);
    session.canvas.activeNote = 0;

    quantizeSelectionStarts (session.processor, session.canvas);

    const auto note = session.processor.readNote (0);
    EXPECT_FLOAT_EQ (note.start, 262079.75f);
    EXPECT_LE ((double) note.start + note.duration, timelineEnd);
}

TEST (Selection, SelectAllAndClearSelection)
{
    EditingSession session;
    session.putNote (9, 0.0f, 1.0f);
    session.putNote (4, 0.0f, 1.0f);
    session.putNote (100, 0.0f, 1.0f);

    selectAll (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.selection, (std::set<int> { 4, 9, 100 }));
    EXPECT_EQ (session.canvas.activeNote, 4);
    EXPECT_EQ (session.changeNotifications, 1);

    clearSelection (session.canvas);
    EXPECT_TRUE (session.canvas.selection.empty());
    EXPECT_EQ (session.canvas.activeNote, -1);

    session.processor.clearPattern();
    session.canvas.activeNote = 3;
    selectAll (session.processor, session.canvas);
    EXPECT_TRUE (session.canvas.selection.empty());
    EXPECT_EQ (session.canvas.activeNote, -1);
}

TEST (SmoothOnce, SmoothsThePitchCurveOnceKeepingTheEndPointsInOneUndoStep)
{
    EditingSession session;
    session.putNote (5, 0.0f, 1.0f);
    setPitchCurvePoint (session.processor, 5, 0, 0.5f);
    setPitchCurvePoint (session.processor, 5, 16, 1.0f);
    setPitchCurvePoint (session.processor, 5, 17, 1.0f);
    setPitchCurvePoint (session.processor, 5, 32, -0.5f);
    session.canvas.activeNote = 5;
    session.startCounting();

    smoothOnce (session.processor, session.canvas);

    // Curve points are stored in steps of a millionth.
    const auto p = session.processor.readNote (5).curves[pitchCurve];
    const std::vector<std::pair<size_t, float>> expected { { 0, 0.5f },    { 1, 0.125f },  { 2, 0.0f },
                                                           { 15, 0.25f },  { 16, 0.75f },  { 17, 0.75f },
                                                           { 18, 0.25f },  { 31, -0.125f }, { 32, -0.5f } };
    for (const auto& [point, value] : expected)
        EXPECT_NEAR (p[point], value, 1.0e-6) << "point " << point;

    EXPECT_TRUE (session.recordedOneStepFirst());
    EXPECT_EQ (session.gestureBalance(), 0);
    EXPECT_EQ (session.changeNotifications, 1);

    // Pressing again smooths further.
    smoothOnce (session.processor, session.canvas);
    EXPECT_NEAR (session.processor.readNote (5).curves[pitchCurve][16], 0.625f, 1.0e-6);
}

TEST (SmoothOnce, DoesNothingWithoutAnActiveNote)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    setPitchCurvePoint (session.processor, 0, 3, 1.0f);

    for (const auto active : { -1, 1, 128 })
    {
        session.canvas.activeNote = active;
        session.startCounting();
        smoothOnce (session.processor, session.canvas);
        EXPECT_TRUE (session.changedNothing());
    }
}

TEST (ClearAllNotes, FreesEverySlotAsOneUndoStepAndKeepsTheLoopSettings)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 1.0f, 1.0f);
    session.link (0, 1);
    session.processor.setParameterValue ("rangeEnabled", 1.0f);
    session.processor.setParameterValue ("looping", 1.0f);
    session.canvas.selection = { 0, 1 };
    session.canvas.activeNote = 1;
    const auto before = test::stateXml (session.processor);

    clearAllNotes (session.processor, session.canvas, session.history);

    for (int slot = 0; slot < slotCount; ++slot)
        EXPECT_FALSE (session.processor.readNote (slot).on);

    EXPECT_EQ (session.processor.readNote (0).next, -1);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "rangeEnabled"), 1.0f);
    EXPECT_FLOAT_EQ (valueOf (session.processor, "looping"), 1.0f);
    EXPECT_TRUE (session.canvas.selection.empty());
    EXPECT_EQ (session.canvas.activeNote, -1);
    ASSERT_EQ (session.history.undoSteps().size(), 1u);

    session.history.undo (session.canvas);
    EXPECT_EQ (test::stateXml (session.processor), before);
}

TEST (AfterChangeRefresh, DropsAFreedActiveNoteAndFollowsTheActiveNotesGlide)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 1.0f, 1.0f);
    session.processor.setParameterValue ("note1_glide", 1.5f);
    session.processor.setParameterValue ("note1_glideShape", -0.5f);
    session.canvas.activeNote = 0;

    // Without a connection the glide for new connections stays as it is.
    afterChangeRefresh (session.processor, session.canvas);
    EXPECT_FLOAT_EQ (session.canvas.connectGlide, 0.25f);

    session.link (0, 1);
    afterChangeRefresh (session.processor, session.canvas);
    EXPECT_FLOAT_EQ (session.canvas.connectGlide, 1.5f);
    EXPECT_NEAR (session.canvas.connectGlideShape, -0.5f, 1.0e-6);
    EXPECT_EQ (session.canvas.activeNote, 0);

    session.processor.setParameterValue ("note1_on", 0.0f);
    afterChangeRefresh (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.activeNote, -1);
}
