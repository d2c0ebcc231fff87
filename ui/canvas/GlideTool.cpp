#include "ui/canvas/ZelkCanvas.h"

#include "core/NoteFields.h"
#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zelk
{
namespace
{
constexpr double shortestGlide = 0.0625;
constexpr double longestGlide = 256.0;
// 100 pixels of travel cover half the shape's range; Shift makes it ten times finer.
constexpr double shapePerPixel = 0.01;
constexpr double fineShare = 0.1;

const juce::String shapeHint { "Drag glide up/down: shape / Shift: fine / double-click: straight" };

// Up to six significant digits without trailing zeros: 35 for a shape of 0.35.
juce::String percentText (double percent)
{
    char text[32];
    std::snprintf (text, sizeof (text), "%.6g", percent);

    // A value too small for the plain form reads as no shape at all.
    if (juce::String (text).containsChar ('e'))
        return "0";

    return text;
}

// The note a connected slot glides into, when the connection is still effective.
bool readGlide (const ZelkProcessor& processor, int slot, Note& note, Note& next)
{
    if (! processor.isNoteOn (slot))
        return false;

    note = processor.readNote (slot);

    if (note.next < 0 || note.next >= slotCount)
        return false;

    next = processor.readNote (note.next);
    return isConnected (note, slot, next);
}
} // namespace

void ZelkCanvas::beginGlideLength (int slot)
{
    edit.beforeEdit();
    activeNote = slot;
    gesture.pressedNote = processor.readNote (slot);
    gesture.slot = slot;
    gesture.kind = GestureKind::glideLengthDrag;
    refresh();
}

void ZelkCanvas::dragGlideLength (float x, bool exact)
{
    Note note, next;

    // Disconnected by the host since the press: nothing to lengthen.
    if (! readGlide (processor, gesture.slot, note, next))
        return;

    // The glide always ends at the next note's start; the handle follows the pointer.
    auto glide = std::clamp (next.start - xToBeat (x), shortestGlide, longestGlide);

    if (timeSnap && ! exact)
        glide = std::max (std::round (glide * 4.0) / 4.0, shortestGlide);

    processor.setParameterValue (noteParameterId (gesture.slot, field::glide), (float) glide);
    connectGlide = (float) glide;
    hint = "Glide: " + juce::String (glide, 2) + " beats / Alt: no snap";
    refresh();
}

void ZelkCanvas::beginGlideShape (int slot, juce::Point<float> position)
{
    edit.beforeEdit();
    activeNote = slot;

    if (! isSelected (slot))
        selection = { slot };

    gesture.pressedNote = processor.readNote (slot);
    gesture.pressPosition = position;
    gesture.slot = slot;
    gesture.kind = GestureKind::glideShapeDrag;

    // One change gesture for the whole drag; cancelGesture closes it however the drag ends.
    gesture.glideShapeSlot = slot;
    gesture.glideShapeParameter = processor.parameterTree().getParameter (noteParameterId (slot, field::glideShape));

    if (gesture.glideShapeParameter != nullptr)
        gesture.glideShapeParameter->beginChangeGesture();

    hint = shapeHint;
    refresh();
}

void ZelkCanvas::dragGlideShape (float y, bool fine)
{
    Note note, next;

    if (gesture.glideShapeParameter == nullptr || ! readGlide (processor, gesture.slot, note, next))
        return;

    // Dragging down pulls the middle of the glide down, whether it rises or falls.
    const auto& copy = gesture.pressedNote;
    const auto from =
        pitchAt (copy, nullptr, std::max ((double) next.start - copy.glide, (double) copy.start), bendDepth());
    const auto to = pitchAt (next, nullptr, next.start, bendDepth());
    auto change = (y - gesture.pressPosition.y) * (from <= to ? 1.0 : -1.0) * shapePerPixel;

    if (fine)
        change *= fineShare;

    const auto shape = std::clamp (copy.glideShape + change, -1.0, 1.0);
    auto& parameter = *gesture.glideShapeParameter;
    parameter.setValueNotifyingHost (parameter.convertTo0to1 ((float) shape));
    hint = "Glide shape: " + percentText (shape * 100.0) + "% / Shift: fine / double-click: straight";
    refresh();
}

void ZelkCanvas::resetGlideShape (int slot)
{
    cancelGesture();

    // The double click's first click pressed this glide and recorded the step that brings the
    // curve back; unless something else has changed the pattern since, that step is this one too.
    if (firstClick.glide != slot || firstClick.changesAfterGlide != processor.patternChangeCount())
        edit.beforeEdit();

    processor.setParameterValue (noteParameterId (slot, field::glideShape), 0.0f);
    firstClick.glide = slot;
    firstClick.changesAfterGlide = processor.patternChangeCount();
    activeNote = slot;
    hint = "Glide shape reset to straight";
    refresh();
}

} // namespace zelk
