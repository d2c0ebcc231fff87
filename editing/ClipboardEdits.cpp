#include "editing/ClipboardEdits.h"

#include "core/ZelkProcessor.h"
#include "editing/NoteClipboard.h"
#include "editing/SelectionEdits.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
std::vector<int> freeSlots (const ZelkProcessor& processor, size_t wanted)
{
    std::vector<int> slots;

    for (int slot = 0; slot < slotCount && slots.size() < wanted; ++slot)
        if (! processor.readNote (slot).on)
            slots.push_back (slot);

    return slots;
}

// Connections inside the copied group follow it to the new slots; links to notes outside it go.
int remappedNext (int next, const std::vector<ClipboardEntry>& entries, const std::vector<int>& targets)
{
    for (size_t k = 0; k < entries.size(); ++k)
        if (entries[k].sourceSlot == next)
            return targets[k];

    return -1;
}

double latestEnd (const std::vector<ClipboardEntry>& entries)
{
    double end = 0.0;

    for (const auto& entry : entries)
        end = std::max (end, (double) entry.note.start + entry.note.duration);

    return end;
}
} // namespace

void copySelection (const ZelkProcessor& processor, CanvasEditState& canvas)
{
    auto& clipboard = noteClipboard();
    clipboard.clear();
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    std::vector<ClipboardEntry> entries;

    for (const auto slot : slots)
        entries.push_back ({ slot, processor.readNote (slot) });

    auto earliest = entries.front().note.start;

    for (const auto& entry : entries)
        earliest = std::min (earliest, entry.note.start);

    for (auto& entry : entries)
        entry.note.start -= earliest;

    clipboard = std::move (entries);
    canvas.hint = "Selection copied";
}

void pasteAt (ZelkProcessor& processor, CanvasEditState& canvas, double b)
{
    const auto& clipboard = noteClipboard();

    // Callers pass a beat on the timeline; anything else would reach the slots as a clamped,
    // misplaced start.
    if (clipboard.empty() || ! std::isfinite (b))
        return;

    b = std::max (b, 0.0);
    const auto targets = freeSlots (processor, clipboard.size());

    if (targets.size() < clipboard.size())
    {
        canvas.hint = "Not enough free note slots (128 total)";
        canvas.repaint();
        return;
    }

    if (b + latestEnd (clipboard) > timelineEnd)
    {
        canvas.hint = "Timeline precision limit reached";
        canvas.repaint();
        return;
    }

    canvas.beforeEdit();
    canvas.selection.clear();

    for (size_t j = 0; j < clipboard.size(); ++j)
    {
        auto note = clipboard[j].note;
        note.start = (float) (note.start + b);
        note.next = remappedNext (note.next, clipboard, targets);
        processor.writeNote (targets[j], note);
        canvas.selection.insert (targets[j]);
    }

    canvas.activeNote = targets.front();
    canvas.hint = "Pasted / internal note connections preserved";
    canvas.refresh();
}

void duplicateSelection (ZelkProcessor& processor, CanvasEditState& canvas)
{
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    double end = 0.0;

    for (const auto slot : slots)
    {
        const auto note = processor.readNote (slot);
        end = std::max (end, (double) note.start + note.duration);
    }

    copySelection (processor, canvas);
    pasteAt (processor, canvas, end);
}

void cutSelection (ZelkProcessor& processor, CanvasEditState& canvas)
{
    copySelection (processor, canvas);
    deleteSelection (processor, canvas);
}

} // namespace zelk
