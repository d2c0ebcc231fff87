#include "ui/canvas/ZelkCanvas.h"

#include "core/ZelkProcessor.h"

#include <algorithm>

namespace zelk
{
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

    const auto route = routePress (e.position, e.mods, e.getNumberOfClicks());

    if (! (e.mods.isLeftButtonDown() && e.getNumberOfClicks() > 1))
        firstClick = {};

    const auto shift = e.mods.isShiftDown();
    const auto exact = e.mods.isAltDown();

    switch (route.target)
    {
        case PressTarget::pan:
            beginPan (e.position);
            break;
        case PressTarget::zoomToSelection:
            zoomToSelection();
            break;
        case PressTarget::keyAudition:
            gesture.kind = GestureKind::keyAudition;
            auditionKey (e.position.y);
            break;
        case PressTarget::rulerClear:
            clearTimeSelection();
            break;
        case PressTarget::rulerSelect:
            beginRulerSelect (e.position.x, exact);
            break;
        case PressTarget::rulerCursor:
            setPlaybackCursor (e.position.x, exact);
            break;
        case PressTarget::glideLength:
            beginGlideLength (route.note);
            break;
        case PressTarget::glideShape:
            beginGlideShape (route.note, e.position);
            firstClick.glide = route.note;
            break;
        case PressTarget::selectionClick:
            beginSelectionClick (route.note, e.position, shift);
            break;
        case PressTarget::deleteNote:
            deleteFromGrid (route.note);
            break;
        case PressTarget::editNote:
        case PressTarget::curveRedraw:
        case PressTarget::newStroke:
            // A copy-drag's paste records its own step; every other press on the grid records one
            // before it changes anything, even when nothing then moves.
            if (! (route.target == PressTarget::editNote && shift))
                edit.beforeEdit();

            gesture.pressPosition = e.position;

            if (route.target == PressTarget::editNote)
                beginNotePress (route.note, e.position, shift);
            else if (route.target == PressTarget::curveRedraw)
                beginCurveRedraw (route.note, e.position, shift);
            else
                beginNewStroke (e.position);

            if (route.target != PressTarget::editNote && gesture.isActive())
                firstClick.note = gesture.slot;

            break;
        case PressTarget::nothing:
            break;
    }

    gesture.lastDragPosition = e.position;
    dragRepeat.lastEvent.emplace (e);
}

double ZelkCanvas::fractionAlong (const Note& note, float x) const noexcept
{
    return note.duration > 0.0f ? std::clamp ((xToBeat (x) - note.start) / note.duration, 0.0, 1.0) : 0.0;
}

void ZelkCanvas::finishEditPress (const Note& pressed, double fraction)
{
    audition ((float) displayPitchAt (pressed, fraction), 0.5f, 0.5f);
    dragRepeat.start();
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
    const auto shift = e.mods.isShiftDown();
    const auto exact = e.mods.isAltDown();
    gesture.lastDragPosition = e.position;
    dragRepeat.lastEvent.emplace (e);

    // Drawing, moving and resizing scroll the view when the pointer nears a side of the grid.
    if (kind == GestureKind::newStroke || kind == GestureKind::moveNotes || kind == GestureKind::resizeNotes)
        scrollAtEdges (e.position.x);
    else if (kind == GestureKind::rulerSelect)
        scrollAtEdges ((float) e.x);

    switch (kind)
    {
        case GestureKind::pan:
            dragPan (e.getPosition());
            break;
        case GestureKind::keyAudition:
            auditionKey (e.position.y);
            break;
        case GestureKind::newStroke:
            dragNewStroke (e.position, shift);
            break;
        case GestureKind::curveRedraw:
            paintCurvePoint (e.position, shift);
            refresh();
            break;
        case GestureKind::moveNotes:
            dragMove (e.position, exact);
            break;
        case GestureKind::resizeNotes:
            dragResize (e.position, exact);
            break;
        case GestureKind::boxSelect:
            dragBox (e.position);
            break;
        case GestureKind::rulerSelect:
            dragRulerSelect (e.position.x, exact);
            break;
        case GestureKind::glideLengthDrag:
            dragGlideLength (e.position.x, exact);
            break;
        case GestureKind::glideShapeDrag:
            dragGlideShape (e.position.y, shift);
            break;
        case GestureKind::idle:
            break;
    }
}

void ZelkCanvas::mouseUp (const juce::MouseEvent& e)
{
    // A busy message thread can learn of the pointer's last moves only with the release (JUCE then
    // reports them as the release's position): the gesture still ends where the button went up.
    if (gesture.kind != GestureKind::idle && e.position != gesture.lastDragPosition)
        mouseDrag (e);

    // A finished ruler drag loops what it selected.
    if (gesture.kind == GestureKind::rulerSelect && isSwitchOn (processor.raw().rangeEnabled))
        processor.setParameterValue ("looping", 1.0f);

    if (gesture.kind == GestureKind::glideShapeDrag)
        firstClick.changesAfterGlide = processor.patternChangeCount();

    cancelGesture();
    restoreToolCursor();
    refresh();
}

void ZelkCanvas::DragRepeat::timerCallback()
{
    if (canvas.gesture.kind == GestureKind::idle || ! lastEvent.has_value())
        return stopTimer();

    // A copy: the step stores the event it is given as the new last one.
    const auto event = *lastEvent;
    canvas.mouseDrag (event);
}

void ZelkCanvas::mouseDoubleClick (const juce::MouseEvent& e)
{
    if (! e.mods.isLeftButtonDown() || ! gridArea().contains (e.position))
        return;

    if (tool == Tool::edit)
    {
        if (const auto glide = hitTestGlide (e.position); glide >= 0)
            return resetGlideShape (glide);
    }

    // The pen's first click has drawn a note here (or drawn on one), and the first double click of
    // a triple click has added one: that note is under the pointer wherever in its row the clicks
    // landed, and however short it is.
    if (processor.isNoteOn (firstClick.note) || hitTestNote (e.position) >= 0)
        return;

    addDefaultNote (e.position);
}

void ZelkCanvas::restoreToolCursor()
{
    setMouseCursor (tool == Tool::edit ? juce::MouseCursor::NormalCursor : juce::MouseCursor::CrosshairCursor);
}

} // namespace zelk
