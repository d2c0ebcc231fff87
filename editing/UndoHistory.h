#pragma once

#include "editing/CanvasEditState.h"
#include "editing/UndoSnapshot.h"

#include <deque>

namespace zelk
{
class ZelkProcessor;

// The editor's undo and redo stacks of whole-pattern snapshots. Edits record the state before
// they change anything; undo and redo exchange the current pattern with a stored one, writing
// every value back through the processor so that the host and the engine follow.
class UndoHistory
{
public:
    static constexpr size_t maximumSteps = 32;

    explicit UndoHistory (ZelkProcessor& processor);

    UndoSnapshot takeSnapshot() const;

    // Records the current state as one undo step and ends the redo chain.
    void pushUndo();
    // Records a state taken before, as pushUndo would have then.
    void pushUndo (UndoSnapshot before);

    // Both end the canvas gesture first and run its after-change hook at the end; with nothing
    // to step to they do nothing more.
    void undo (CanvasEditState& canvas);
    void redo (CanvasEditState& canvas);

    bool canUndo() const noexcept { return ! undoHistory.empty(); }
    bool canRedo() const noexcept { return ! redoHistory.empty(); }

    // Oldest first.
    const std::deque<UndoSnapshot>& undoSteps() const noexcept { return undoHistory; }
    const std::deque<UndoSnapshot>& redoSteps() const noexcept { return redoHistory; }

private:
    void step (std::deque<UndoSnapshot>& from, std::deque<UndoSnapshot>& to, CanvasEditState& canvas);
    void restore (const UndoSnapshot& snapshot);

    ZelkProcessor& processor;
    std::deque<UndoSnapshot> undoHistory;
    std::deque<UndoSnapshot> redoHistory;
};

} // namespace zelk
