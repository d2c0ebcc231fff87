#include "tests/helpers/EditingSession.h"

#include "editing/AfterChangeRefresh.h"
#include "tests/helpers/TestProcessor.h"

namespace zelk::test
{
EditingSession::EditingSession()
{
    canvas.onBeforeEdit = [this]
    {
        writesBeforeEachStep.push_back (writes);
        history.pushUndo();
    };
    canvas.onChanged = [this]
    {
        ++changeNotifications;
        afterChangeRefresh (processor, canvas);
    };
    canvas.onCancelGesture = [this] { ++cancelledGestures; };
    processor.addListener (this);
}

EditingSession::~EditingSession() { processor.removeListener (this); }

int EditingSession::putNote (int slot, float start, float duration, int pitch)
{
    writePlainNote (processor, slot, start, duration, pitch);
    return slot;
}

void EditingSession::link (int from, int to)
{
    linkNotes (processor, from, to);
}

void EditingSession::select (std::initializer_list<int> slots)
{
    canvas.selection = std::set<int> (slots);
}

void EditingSession::startCounting()
{
    writes = gesturesBegun = gesturesEnded = 0;
    cancelledGestures = changeNotifications = 0;
    writesBeforeEachStep.clear();
    stateAtStart = stateXml (processor);
}

testing::AssertionResult EditingSession::recordedOneStepFirst() const
{
    if (writesBeforeEachStep.size() != 1)
        return testing::AssertionFailure() << writesBeforeEachStep.size() << " undo steps recorded";

    if (writesBeforeEachStep.front() != 0)
        return testing::AssertionFailure() << writesBeforeEachStep.front() << " parameters changed before the step";

    if (writes == 0)
        return testing::AssertionFailure() << "nothing changed after the step";

    return testing::AssertionSuccess();
}

testing::AssertionResult EditingSession::changedNothing()
{
    if (! writesBeforeEachStep.empty())
        return testing::AssertionFailure() << writesBeforeEachStep.size() << " undo steps recorded";

    if (writes != 0)
        return testing::AssertionFailure() << writes << " parameter changes";

    if (stateXml (processor) != stateAtStart)
        return testing::AssertionFailure() << "the saved state differs";

    return testing::AssertionSuccess();
}

} // namespace zelk::test
