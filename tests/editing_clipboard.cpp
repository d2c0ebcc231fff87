#include "core/PatternMath.h"
#include "editing/ClipboardEdits.h"
#include "editing/NoteClipboard.h"
#include "tests/helpers/EditingSession.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using zelk::test::EditingSession;

namespace
{
// The clipboard outlives every instance; each test starts from an empty one.
struct Clipboard : testing::Test
{
    void SetUp() override { noteClipboard().clear(); }
    void TearDown() override { noteClipboard().clear(); }
};

void fillSlots (EditingSession& session, int count)
{
    for (int slot = 0; slot < count; ++slot)
        session.putNote (slot, (float) slot, 1.0f);
}
} // namespace

TEST_F (Clipboard, CopyingNothingEmptiesTheClipboardSoALaterPasteDoesNothing)
{
    EditingSession session;
    session.putNote (0, 2.0f, 1.0f);
    session.canvas.activeNote = 0;
    copySelection (session.processor, session.canvas);
    ASSERT_EQ (noteClipboard().size(), 1u);

    session.canvas.activeNote = -1;
    session.canvas.hint = "before";
    copySelection (session.processor, session.canvas);
    EXPECT_TRUE (noteClipboard().empty());
    EXPECT_EQ (session.canvas.hint, "before");

    session.startCounting();
    pasteAt (session.processor, session.canvas, 8.0);
    EXPECT_TRUE (session.changedNothing());
}

TEST_F (Clipboard, PastingAConnectedPairGivesANewConnectedPairAtTheGivenBeat)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f); // occupies the lowest free slot
    session.putNote (4, 3.0f, 1.0f, 62);
    session.putNote (6, 4.0f, 2.0f, 65);
    session.link (4, 6);
    session.select ({ 4, 6 });

    copySelection (session.processor, session.canvas);
    EXPECT_EQ (session.canvas.hint, "Selection copied");
    session.startCounting();
    pasteAt (session.processor, session.canvas, 10.0);

    const auto first = session.processor.readNote (1);
    const auto second = session.processor.readNote (2);
    EXPECT_TRUE (first.on);
    EXPECT_TRUE (second.on);
    EXPECT_EQ (first.pitch, 62);
    EXPECT_EQ (second.pitch, 65);
    EXPECT_FLOAT_EQ (first.start, 10.0f);
    EXPECT_FLOAT_EQ (second.start, 11.0f);
    EXPECT_FLOAT_EQ (second.duration, 2.0f);
    EXPECT_EQ (first.next, 2);
    EXPECT_TRUE (isConnected (first, 1, second));
    EXPECT_EQ (session.processor.readNote (4).next, 6); // the originals stay as they were
    EXPECT_EQ (session.canvas.selection, (std::set<int> { 1, 2 }));
    EXPECT_EQ (session.canvas.activeNote, 1);
    EXPECT_EQ (session.canvas.hint, "Pasted / internal note connections preserved");
    EXPECT_TRUE (session.recordedOneStepFirst());
}

TEST_F (Clipboard, PastingHalfAPairDropsTheLinkToTheNoteLeftBehind)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 1.0f, 1.0f);
    session.link (0, 1);
    session.canvas.activeNote = 0;

    copySelection (session.processor, session.canvas);
    pasteAt (session.processor, session.canvas, 4.0);

    EXPECT_EQ (session.processor.readNote (2).next, -1);
    EXPECT_EQ (session.processor.readNote (0).next, 1);
}

TEST_F (Clipboard, RefusesAPasteWithTooFewFreeSlots)
{
    EditingSession session;
    fillSlots (session, 3);
    session.select ({ 0, 1, 2 });
    copySelection (session.processor, session.canvas);

    for (int slot = 3; slot < slotCount - 2; ++slot)
        session.putNote (slot, 0.0f, 1.0f);

    session.startCounting();
    pasteAt (session.processor, session.canvas, 0.0);

    EXPECT_EQ (session.canvas.hint, "Not enough free note slots (128 total)");
    EXPECT_TRUE (session.changedNothing());
    EXPECT_EQ (session.canvas.selection, (std::set<int> { 0, 1, 2 }));
}

TEST_F (Clipboard, RefusesAPastePastTheEndOfTheTimelineButFillsItExactly)
{
    EditingSession session;
    session.putNote (0, 0.0f, 1.0f);
    session.putNote (1, 2.0f, 2.0f); // the group is four beats long
    session.select ({ 0, 1 });
    copySelection (session.processor, session.canvas);

    session.startCounting();
    pasteAt (session.processor, session.canvas, timelineEnd - 3.75);
    EXPECT_EQ (session.canvas.hint, "Timeline precision limit reached");
    EXPECT_TRUE (session.changedNothing());

    pasteAt (session.processor, session.canvas, timelineEnd - 4.0);
    EXPECT_FLOAT_EQ (session.processor.readNote (3).start, 262078.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (3).end(), (float) timelineEnd);
}

TEST_F (Clipboard, PasteIgnoresABeatThatIsNotOnTheTimeline)
{
    EditingSession session;
    session.putNote (0, 3.0f, 1.0f);
    session.putNote (1, 5.0f, 1.0f);
    session.select ({ 0, 1 });
    copySelection (session.processor, session.canvas);

    session.startCounting();
    pasteAt (session.processor, session.canvas, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE (session.changedNothing());

    // Before the timeline the group lands at its start and keeps its shape.
    pasteAt (session.processor, session.canvas, -2.0);
    EXPECT_FLOAT_EQ (session.processor.readNote (2).start, 0.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (3).start, 2.0f);
}

TEST_F (Clipboard, CopiedInOneInstancePastedInAnother)
{
    EditingSession source;
    source.putNote (10, 6.0f, 1.0f, 70);
    source.putNote (11, 7.0f, 0.5f, 72);
    source.link (10, 11);
    source.select ({ 10, 11 });
    copySelection (source.processor, source.canvas);

    EditingSession target;
    target.putNote (0, 0.0f, 1.0f);
    target.startCounting();
    pasteAt (target.processor, target.canvas, 2.0);

    EXPECT_EQ (target.processor.readNote (1).pitch, 70);
    EXPECT_EQ (target.processor.readNote (2).pitch, 72);
    EXPECT_FLOAT_EQ (target.processor.readNote (2).start, 3.0f);
    EXPECT_EQ (target.processor.readNote (1).next, 2);
    EXPECT_TRUE (target.recordedOneStepFirst());
    EXPECT_FALSE (source.processor.readNote (0).on);
}

TEST_F (Clipboard, DuplicatePastesRightAfterTheSelectionAndSelectsTheCopies)
{
    EditingSession session;
    session.putNote (0, 1.0f, 1.0f);
    session.putNote (1, 2.5f, 1.5f);
    session.select ({ 0, 1 });
    session.startCounting();

    duplicateSelection (session.processor, session.canvas);

    EXPECT_FLOAT_EQ (session.processor.readNote (2).start, 4.0f);
    EXPECT_FLOAT_EQ (session.processor.readNote (3).start, 5.5f);
    EXPECT_EQ (session.canvas.selection, (std::set<int> { 2, 3 }));
    EXPECT_TRUE (session.recordedOneStepFirst());

    session.canvas.selection.clear();
    session.canvas.activeNote = -1;
    session.startCounting();
    duplicateSelection (session.processor, session.canvas);
    EXPECT_TRUE (session.changedNothing());
    EXPECT_EQ (noteClipboard().size(), 2u);
}

TEST_F (Clipboard, CutCopiesThenDeletesAsOneUndoStep)
{
    EditingSession session;
    session.putNote (0, 1.0f, 1.0f);
    session.putNote (1, 2.0f, 1.0f);
    session.putNote (2, 3.0f, 1.0f);
    session.link (1, 2);
    session.select ({ 2 });
    session.startCounting();

    cutSelection (session.processor, session.canvas);

    EXPECT_FALSE (session.processor.readNote (2).on);
    EXPECT_EQ (session.processor.readNote (1).next, -1);
    ASSERT_EQ (noteClipboard().size(), 1u);
    EXPECT_FLOAT_EQ (noteClipboard().front().note.start, 0.0f);
    EXPECT_TRUE (session.recordedOneStepFirst());

    pasteAt (session.processor, session.canvas, 8.0);
    EXPECT_FLOAT_EQ (session.processor.readNote (2).start, 8.0f);
}
