#include "ui/canvas/ZelkCanvas.h"

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"
#include "editing/ClipboardEdits.h"
#include "editing/SelectionEdits.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr float resizeGrabPixels = 10.0f;

// Times move in sixteenths unless snapping is off or Alt asks for the exact value.
double snapTime (double beats, bool snapping) noexcept { return snapping ? std::round (beats * 4.0) / 4.0 : beats; }

// The range of a shift that keeps every copy inside lowest..highest; a copy the host left outside
// may not move further out, but never turns the shift around either.
struct ShiftLimits
{
    double lowest = -timelineEnd, highest = timelineEnd;

    double apply (double value) const noexcept
    {
        return std::clamp (value, std::min (lowest, 0.0), std::max (highest, 0.0));
    }
};

bool overlaps (const Note& note, double lo, double hi) noexcept
{
    return hi > note.start && lo < (double) note.start + note.duration;
}
} // namespace

void ZelkCanvas::beginSelectionClick (int slot, juce::Point<float> position, bool adding)
{
    gesture.pressPosition = position;
    lastPointer = position;
    gesture.boxBase = adding ? selection : std::set<int> {};

    if (slot < 0)
    {
        selection = gesture.boxBase;
        activeNote = -1;
        gesture.kind = GestureKind::boxSelect;
        refresh();
        return;
    }

    // Ctrl picks one note; Ctrl+Shift adds it to the selection or takes it out.
    if (! adding)
        selection.clear();

    if (selection.erase (slot) == 0)
        selection.insert (slot);

    activeNote = selection.empty() ? -1 : slot;
    refresh();
}

void ZelkCanvas::dragBox (juce::Point<float> position)
{
    lastPointer = position;
    selection = gesture.boxBase;
    const auto box = juce::Rectangle<float> (gesture.pressPosition, position);

    // A note is caught where its drawn line enters the box; its ends may lie outside.
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = processor.readNote (slot);

        if (! note.on)
            continue;

        for (int l = 0; l <= 32; ++l)
        {
            const juce::Point<float> point (beatToX (note.start + note.duration * l / 32.0),
                                            pitchToY (displayPitchAt (note, l / 32.0)));

            if (point.x >= box.getX() && point.x < box.getRight() && point.y >= box.getY() && point.y < box.getBottom())
            {
                selection.insert (slot);
                break;
            }
        }
    }

    activeNote = selection.empty() ? -1 : *selection.begin();
    refresh();
}

void ZelkCanvas::beginNotePress (int slot, juce::Point<float> position, bool copying)
{
    if (! isSelected (slot))
    {
        selection = { slot };
        activeNote = slot;
    }

    if (copying)
    {
        // The copies are pasted exactly over their sources, and they are what moves.
        auto earliest = timelineEnd;

        for (const auto selected : selectedNotes())
            earliest = std::min (earliest, (double) processor.readNote (selected).start);

        const auto before = activeNote;
        activeNote = -1;
        copySelection (processor, edit);
        pasteAt (processor, edit, earliest);

        if (activeNote < 0)
        {
            // Refused: the hint says why, and nothing else has changed.
            activeNote = before;
            refresh();
            return;
        }

        slot = activeNote;
        gesture.kind = GestureKind::moveNotes;
    }
    else
    {
        const auto note = processor.readNote (slot);
        const auto nearEnd = std::abs (position.x - beatToX ((double) note.start + note.duration)) < resizeGrabPixels;
        activeNote = slot;
        gesture.kind = nearEnd ? GestureKind::resizeNotes : GestureKind::moveNotes;
    }

    gesture.slot = slot;
    gesture.pressedNote = processor.readNote (slot);
    finishEditPress (gesture.pressedNote, fractionAlong (gesture.pressedNote, position.x));
}

// The horizontal distance from the press in beats, the view's scrolling since the press included.
double ZelkCanvas::dragBeats (float x, bool exact) const noexcept
{
    const auto width = gridArea().getWidth();

    if (width <= 0.0f)
        return 0.0;

    const auto beats =
        effectiveViewLength() * (x - gesture.pressPosition.x) / width + effectiveViewStart() - gesture.viewStartAtPress;
    return snapTime (beats, timeSnap && ! exact);
}

void ZelkCanvas::dragMove (juce::Point<float> position, bool exact)
{
    auto dt = dragBeats (position.x, exact);
    const auto rows = rowHeight();
    auto dk = rows > 0.0f ? std::nearbyint ((gesture.pressPosition.y - position.y) / rows) : 0.0;

    // The whole group stops together at the ends of the timeline and of the key range.
    ShiftLimits time, keys { -127.0, 127.0 };

    for (const auto& [slot, copy] : gesture.pressedSelection)
    {
        time.lowest = std::max (time.lowest, -(double) copy.start);
        time.highest = std::min (time.highest, timelineEnd - copy.start - copy.duration);
        keys.lowest = std::max (keys.lowest, (double) -copy.pitch);
        keys.highest = std::min (keys.highest, (double) (127 - copy.pitch));
    }

    dt = time.apply (dt);
    dk = keys.apply (dk);

    for (const auto& [slot, copy] : gesture.pressedSelection)
    {
        // A note the host has switched off since the press is no longer the gesture's to move.
        if (! processor.isNoteOn (slot))
            continue;

        processor.setParameterValue (noteParameterId (slot, field::start), (float) (copy.start + dt));
        processor.setParameterValue (noteParameterId (slot, field::pitch), (float) (copy.pitch + dk));
    }

    audition ((float) displayPitchAt (processor.readNote (gesture.slot), 0.0), 0.5f, 0.5f);
    refresh();
}

void ZelkCanvas::dragResize (juce::Point<float> position, bool exact)
{
    ShiftLimits limits;

    for (const auto& [slot, copy] : gesture.pressedSelection)
    {
        limits.lowest = std::max (limits.lowest, minimumDuration - copy.duration);
        limits.highest = std::min (limits.highest, timelineEnd - copy.start - copy.duration);
    }

    const auto dt = limits.apply (dragBeats (position.x, exact));

    for (const auto& [slot, copy] : gesture.pressedSelection)
        if (processor.isNoteOn (slot))
            processor.setParameterValue (noteParameterId (slot, field::duration), (float) (copy.duration + dt));

    audition ((float) displayPitchAt (processor.readNote (gesture.slot), 1.0), 0.5f, 0.5f);
    refresh();
}

void ZelkCanvas::deleteFromGrid (int slot)
{
    if (slot >= 0)
    {
        if (! isSelected (slot))
        {
            selection = { slot };
            activeNote = slot;
        }

        deleteSelection (processor, edit);
    }

    refresh();
}

void ZelkCanvas::clearTimeSelection()
{
    edit.beforeEdit();
    processor.setParameterValue ("rangeEnabled", 0.0f);
    hint = "Time selection cleared";
    refresh();
}

void ZelkCanvas::beginRulerSelect (float x, bool exact)
{
    edit.beforeEdit();
    gesture.rulerAnchor = snapTime (xToBeat (x), timeSnap && ! exact);
    gesture.kind = GestureKind::rulerSelect;
    dragRepeat.start();
    hint = "Drag ruler: select time and notes / right-click ruler: clear";
}

void ZelkCanvas::dragRulerSelect (float x, bool exact)
{
    const auto q = snapTime (xToBeat (x), timeSnap && ! exact);
    const auto lo = std::min (q, gesture.rulerAnchor), hi = std::max (q, gesture.rulerAnchor);

    // A selection shorter than a sixteenth is never made; an earlier one stays.
    if (hi - lo < minimumDuration)
        return;

    processor.setParameterValue ("rangeStart", (float) lo);
    processor.setParameterValue ("rangeEnd", (float) hi);
    processor.setParameterValue ("rangeEnabled", 1.0f);

    selection.clear();

    for (int slot = 0; slot < slotCount; ++slot)
        if (const auto note = processor.readNote (slot); note.on && overlaps (note, lo, hi))
            selection.insert (slot);

    activeNote = selection.empty() ? -1 : *selection.begin();
    hint = "Selected beats " + juce::String (lo, 2) + " - " + juce::String (hi, 2) + " / LOOP repeats this range";
    refresh();
}

void ZelkCanvas::setPlaybackCursor (float x, bool exact)
{
    const auto beat = snapTime (xToBeat (x), timeSnap && ! exact);

    // Looping stops when the cursor leaves the loop, so that playback starts where it was put.
    if (isSwitchOn (processor.raw().looping))
    {
        const auto loopStart = processor.loopStart();

        if (beat < loopStart || beat >= loopStart + processor.loopLength())
            processor.setParameterValue ("looping", 0.0f);
    }

    processor.setPlaybackPosition (beat);
    hint = "Playback cursor set / Ctrl-drag ruler: loop selection";
    refresh();
}

} // namespace zelk
