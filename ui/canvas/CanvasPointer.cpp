#include "ui/canvas/ZelkCanvas.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
namespace
{
constexpr int dragRepeatMilliseconds = 35;
}

PressRoute ZelkCanvas::routePress (juce::Point<float> position, juce::ModifierKeys mods, int clicks) const
{
    const auto left = mods.isLeftButtonDown();
    const auto right = mods.isRightButtonDown();
    const auto ctrl = mods.isCtrlDown();
    const auto editTool = tool == Tool::edit;
    const auto grid = gridArea();

    // A double click has its own handler; its second press must not start another gesture.
    if (left && clicks > 1)
        return {};

    if (mods.isMiddleButtonDown())
        return { PressTarget::pan };

    if (position.x < grid.getX() && position.y >= grid.getY())
        return { PressTarget::keyAudition };

    // The ruler test uses the integer pointer position, as the event reports it.
    const auto pixel = position.roundToInt();

    if ((float) pixel.x >= grid.getX() && (float) pixel.y < grid.getY())
    {
        if (right)
            return { PressTarget::rulerClear };

        if (left)
            return { ctrl ? PressTarget::rulerSelect : PressTarget::rulerCursor };

        return {};
    }

    if (! grid.contains (position))
        return {};

    const auto note = hitTestNote (position);

    if (right && ctrl)
        return { PressTarget::zoomToSelection, note };

    if (editTool && left && ! ctrl)
    {
        if (const auto handle = glideHandleAt (position); handle >= 0)
            return { PressTarget::glideLength, handle };

        if (const auto glide = hitTestGlide (position); glide >= 0)
            return { PressTarget::glideShape, glide };
    }

    if (left && (ctrl || (editTool && note < 0)))
        return { PressTarget::selectionClick, note };

    if (right)
        return { PressTarget::deleteNote, note };

    if (left)
    {
        if (note >= 0)
            return { editTool ? PressTarget::editNote : PressTarget::curveRedraw, note };

        return { PressTarget::newStroke };
    }

    return {};
}

void ZelkCanvas::mouseDown (const juce::MouseEvent& e)
{
    cancelGesture();
    grabKeyboardFocus();
    lastPointer = e.position;

    switch (routePress (e.position, e.mods, e.getNumberOfClicks()).target)
    {
        case PressTarget::pan:
            beginPan (e.position);
            break;
        case PressTarget::zoomToSelection:
            zoomToSelection();
            break;
        case PressTarget::keyAudition:
        case PressTarget::rulerClear:
        case PressTarget::rulerSelect:
        case PressTarget::rulerCursor:
        case PressTarget::glideLength:
        case PressTarget::glideShape:
        case PressTarget::selectionClick:
        case PressTarget::deleteNote:
        case PressTarget::editNote:
        case PressTarget::curveRedraw:
        case PressTarget::newStroke:
            // The draw, edit and glide gestures start here once they exist; until then such a
            // press only ends the previous gesture.
            break;
        case PressTarget::nothing:
            break;
    }
}

void ZelkCanvas::finishEditPress (int slot, double fraction)
{
    const auto note = processor.readNote (slot);
    audition ((float) displayPitchAt (note, fraction), 0.5f, 0.5f);
    beginDragAutoRepeat (dragRepeatMilliseconds);
    gesture.viewStartAtPress = effectiveViewStart();
    gesture.pressedSelection.clear();

    if (gesture.kind == GestureKind::moveNotes || gesture.kind == GestureKind::resizeNotes)
        for (const auto selected : selectedNotes())
            gesture.pressedSelection.emplace_back (selected, processor.readNote (selected));

    refresh();
}

void ZelkCanvas::mouseDrag (const juce::MouseEvent& e)
{
    const auto kind = gesture.kind;

    if (kind == GestureKind::pan)
    {
        dragPan (e.getPosition());
        return;
    }

    // Drawing, moving and resizing scroll the view when the pointer nears a side of the grid.
    if (kind == GestureKind::newStroke || kind == GestureKind::moveNotes || kind == GestureKind::resizeNotes)
        scrollAtEdges (e.position.x);
    else if (kind == GestureKind::rulerSelect)
        scrollAtEdges ((float) e.x);
}

void ZelkCanvas::mouseUp (const juce::MouseEvent&)
{
    // A finished ruler drag loops what it selected.
    if (gesture.kind == GestureKind::rulerSelect && isSwitchOn (processor.raw().rangeEnabled))
        processor.setParameterValue ("looping", 1.0f);

    cancelGesture();
    restoreToolCursor();
    refresh();
}

void ZelkCanvas::restoreToolCursor()
{
    setMouseCursor (tool == Tool::edit ? juce::MouseCursor::NormalCursor : juce::MouseCursor::CrosshairCursor);
}

} // namespace zelk
