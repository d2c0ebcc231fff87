#include "ui/canvas/ZelkCanvas.h"

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"

namespace zelk
{
namespace
{
void endChangeGesture (ZelkProcessor& processor, int slot, int fieldNumber)
{
    if (auto* parameter = processor.parameterTree().getParameter (noteParameterId (slot, fieldNumber)))
        parameter->endChangeGesture();
}
} // namespace

ZelkCanvas::ZelkCanvas (ZelkProcessor& p) : processor (p)
{
    setComponentID ("piano-roll");
    setWantsKeyboardFocus (true);
    setMouseCursor (juce::MouseCursor::CrosshairCursor);

    edit.onCancelGesture = [this] { cancelGesture(); };
    edit.onRepaint = [this]
    {
        updateVibratoPanel();
        repaint();
    };
}

ZelkCanvas::~ZelkCanvas()
{
    // No parameter gesture may stay open once the canvas is gone.
    cancelGesture();
}

void ZelkCanvas::audition (float pitch, float pressure, float timbre)
{
    processor.hearPitch.store (pitch);
    processor.hearPressure.store (pressure);
    processor.hearTimbre.store (timbre);
    processor.hearRequested.store (true);
}

void ZelkCanvas::cancelGesture()
{
    if (gesture.glideShapeSlot >= 0)
    {
        endChangeGesture (processor, gesture.glideShapeSlot, field::glideShape);
        gesture.glideShapeSlot = -1;
    }

    if (activeNote >= 0 && activeNote < slotCount
        && (gesture.kind == GestureKind::newStroke || gesture.kind == GestureKind::resizeNotes))
        defaultLength = processor.readNote (activeNote).duration;

    beginDragAutoRepeat (0);

    if (gesture.curveGestureSlot >= 0)
    {
        for (int point = 0; point < curvePointCount; ++point)
            endChangeGesture (processor, gesture.curveGestureSlot,
                              field::curvePoint (gesture.curveGestureCurve, point));

        gesture.curveGestureSlot = -1;
    }

    gesture.kind = GestureKind::idle;
    processor.hearRequested.store (false);
}

void ZelkCanvas::refresh()
{
    updateVibratoPanel();

    if (onChanged)
        onChanged();

    repaint();
}

void ZelkCanvas::updateVibratoPanel()
{
    // The inline vibrato panel is not part of the canvas yet; `panelOpen` is kept for it.
}

std::vector<int> ZelkCanvas::selectedNotes() const
{
    return edit.selectedNotes (processor);
}

bool ZelkCanvas::isSelected (int slot) const
{
    return edit.isSelected (slot);
}

void ZelkCanvas::focusLost (FocusChangeType)
{
    cancelGesture();
}

} // namespace zelk
