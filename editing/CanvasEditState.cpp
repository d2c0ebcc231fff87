#include "editing/CanvasEditState.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
namespace
{
bool isOnSlot (const ZelkProcessor& processor, int slot)
{
    return slot >= 0 && slot < slotCount && processor.readNote (slot).on;
}

void call (const std::function<void()>& hook)
{
    if (hook)
        hook();
}
} // namespace

std::vector<int> CanvasEditState::selectedNotes (const ZelkProcessor& processor) const
{
    std::vector<int> notes;

    for (const auto slot : selection)
        if (isOnSlot (processor, slot))
            notes.push_back (slot);

    if (notes.empty() && isOnSlot (processor, activeNote))
        notes.push_back (activeNote);

    return notes;
}

bool CanvasEditState::isSelected (int slot) const
{
    return selection.count (slot) > 0 || (selection.empty() && slot == activeNote);
}

void CanvasEditState::beforeEdit() const { call (onBeforeEdit); }
void CanvasEditState::cancelGesture() const { call (onCancelGesture); }
void CanvasEditState::repaint() const { call (onRepaint); }

void CanvasEditState::refresh() const
{
    call (onChanged);
    call (onRepaint);
}

} // namespace zelk
