#include "editing/UndoHistory.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
UndoHistory::UndoHistory (ZelkProcessor& processorToEdit) : processor (processorToEdit) {}

UndoSnapshot UndoHistory::takeSnapshot() const
{
    UndoSnapshot snapshot;

    for (int slot = 0; slot < slotCount; ++slot)
        snapshot.notes[(size_t) slot] = processor.readNote (slot);

    const auto& raw = processor.raw();
    snapshot.rangeStart = raw.rangeStart->load();
    snapshot.rangeEnd = raw.rangeEnd->load();
    snapshot.rangeEnabled = raw.rangeEnabled->load();
    snapshot.looping = raw.looping->load();
    return snapshot;
}

void UndoHistory::pushUndo() { pushUndo (takeSnapshot()); }

void UndoHistory::pushUndo (UndoSnapshot before)
{
    redoHistory.clear();
    undoHistory.push_back (std::move (before));

    while (undoHistory.size() > maximumSteps)
        undoHistory.pop_front();
}

void UndoHistory::undo (CanvasEditState& canvas) { step (undoHistory, redoHistory, canvas); }
void UndoHistory::redo (CanvasEditState& canvas) { step (redoHistory, undoHistory, canvas); }

void UndoHistory::step (std::deque<UndoSnapshot>& from, std::deque<UndoSnapshot>& to, CanvasEditState& canvas)
{
    canvas.cancelGesture();

    if (from.empty())
        return;

    to.push_back (takeSnapshot());
    const auto target = std::move (from.back());
    from.pop_back();
    restore (target);
    canvas.refresh();
}

// Every slot is rewritten, free or not, so the host sees every value that changes back.
void UndoHistory::restore (const UndoSnapshot& snapshot)
{
    for (int slot = 0; slot < slotCount; ++slot)
        processor.writeNote (slot, snapshot.notes[(size_t) slot]);

    processor.setParameterValue ("rangeStart", snapshot.rangeStart);
    processor.setParameterValue ("rangeEnd", snapshot.rangeEnd);
    processor.setParameterValue ("rangeEnabled", snapshot.rangeEnabled);
    processor.setParameterValue ("looping", snapshot.looping);
}

} // namespace zelk
