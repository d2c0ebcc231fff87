#include "ui/canvas/ZelkCanvas.h"

#include "core/ZelkProcessor.h"
#include "ui/canvas/NoteLayer.h"
#include "ui/canvas/VibratoPanel.h"

namespace zelk
{
ZelkCanvas::ZelkCanvas (ZelkProcessor& p) : processor (p)
{
    setComponentID ("piano-roll");
    setWantsKeyboardFocus (true);
    setMouseCursor (juce::MouseCursor::CrosshairCursor);

    // An operation between two clicks (an undo, a delete) ends what the first click began.
    edit.onCancelGesture = [this]
    {
        cancelGesture();
        firstClick = {};
    };
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
    if (gesture.glideShapeParameter != nullptr)
        gesture.glideShapeParameter->endChangeGesture();

    gesture.glideShapeParameter = nullptr;
    gesture.glideShapeSlot = -1;

    if ((gesture.kind == GestureKind::newStroke || gesture.kind == GestureKind::resizeNotes)
        && processor.isNoteOn (activeNote))
        defaultLength = processor.readNote (activeNote).duration;

    dragRepeat.stopTimer();

    if (gesture.curveGestureSlot >= 0)
    {
        for (auto*& parameter : gesture.curveParameters)
        {
            if (parameter != nullptr)
                parameter->endChangeGesture();

            parameter = nullptr;
        }

        gesture.curveGestureSlot = -1;
    }

    gesture.kind = GestureKind::idle;
    gesture.slot = -1;
    processor.hearRequested.store (false);
}

void ZelkCanvas::refresh()
{
    updateVibratoPanel();

    if (onChanged)
        onChanged();

    repaint();
}

std::vector<int> ZelkCanvas::selectedNotes() const { return edit.selectedNotes (processor); }

bool ZelkCanvas::isSelected (int slot) const { return edit.isSelected (slot); }

void ZelkCanvas::focusLost (FocusChangeType) { cancelGesture(); }

} // namespace zelk
