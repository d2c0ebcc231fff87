#include "editing/SelectionEdits.h"

#include "editing/SlotParameters.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double sixteenth = 0.25;

bool contains (const std::vector<int>& slots, int slot)
{
    return std::find (slots.begin(), slots.end(), slot) != slots.end();
}

struct NudgeLimits
{
    double earliest = -timelineEnd, latest = timelineEnd;
    int lowest = -127, highest = 127;
};

// How far the whole group may move: as far as its first note allows to the left and its last
// end to the right, and within the key range for its lowest and highest keys.
NudgeLimits limitsOf (const ZelkProcessor& processor, const std::vector<int>& slots)
{
    NudgeLimits limits;

    for (const auto slot : slots)
    {
        const auto note = processor.readNote (slot);
        limits.earliest = std::max (limits.earliest, -(double) note.start);
        limits.latest = std::min (limits.latest, timelineEnd - note.start - note.duration);
        limits.lowest = std::max (limits.lowest, -note.pitch);
        limits.highest = std::min (limits.highest, 127 - note.pitch);
    }

    // A note the host left past the end of the timeline may not move further right, but must not
    // turn a move into one in the other direction either.
    limits.latest = std::max (limits.latest, 0.0);
    limits.earliest = std::min (limits.earliest, 0.0);
    limits.highest = std::max (limits.highest, 0);
    limits.lowest = std::min (limits.lowest, 0);
    return limits;
}

// The nearest sixteenth, halves away from zero; the one before it when that would push the
// note's end past the timeline.
double quantizedStart (const Note& note)
{
    auto start = std::round (note.start * 4.0) / 4.0;

    if (start + note.duration > timelineEnd)
        start = std::max (0.0, start - sixteenth);

    return start;
}
} // namespace

void selectAll (const ZelkProcessor& processor, CanvasEditState& canvas)
{
    canvas.selection.clear();

    for (int slot = 0; slot < slotCount; ++slot)
        if (processor.readNote (slot).on)
            canvas.selection.insert (slot);

    canvas.activeNote = canvas.selection.empty() ? -1 : *canvas.selection.begin();
    canvas.refresh();
}

void clearSelection (CanvasEditState& canvas)
{
    canvas.selection.clear();
    canvas.activeNote = -1;
    canvas.refresh();
}

void deleteSelection (ZelkProcessor& processor, CanvasEditState& canvas)
{
    canvas.cancelGesture();
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    canvas.beforeEdit();

    for (int slot = 0; slot < slotCount; ++slot)
        if (contains (slots, processor.readNote (slot).next))
            setNextSlot (processor, slot, -1);

    // The freed slots keep their other values: invisible while free, overwritten by the next
    // note written into them.
    for (const auto slot : slots)
    {
        setSlotParameter (processor, slot, field::on, 0.0f);
        setNextSlot (processor, slot, -1);
    }

    canvas.selection.clear();
    canvas.activeNote = -1;
    canvas.refresh();
}

void nudgeSelection (ZelkProcessor& processor, CanvasEditState& canvas, double dt, int dk)
{
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    const auto limits = limitsOf (processor, slots);
    dt = std::isfinite (dt) ? std::clamp (dt, limits.earliest, limits.latest) : 0.0;
    dk = std::clamp (dk, limits.lowest, limits.highest);

    canvas.beforeEdit();

    for (const auto slot : slots)
    {
        const auto note = processor.readNote (slot);
        setSlotParameter (processor, slot, field::start, (float) (note.start + dt));
        setSlotParameter (processor, slot, field::pitch, (float) (note.pitch + dk));
    }

    canvas.refresh();
}

void quantizeSelectionStarts (ZelkProcessor& processor, CanvasEditState& canvas)
{
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    canvas.beforeEdit();

    for (const auto slot : slots)
        setSlotParameter (processor, slot, field::start, (float) quantizedStart (processor.readNote (slot)));

    canvas.refresh();
}

} // namespace zelk
