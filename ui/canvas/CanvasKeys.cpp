#include "ui/canvas/ZelkCanvas.h"

#include "core/ZelkProcessor.h"
#include "editing/ClipboardEdits.h"
#include "editing/NoteConnections.h"
#include "editing/SelectionEdits.h"

#include <cmath>

namespace zelk
{
namespace
{
const juce::String toolHint { "P: draw / E: edit / V: vibrato on the selected note" };

void invert (std::atomic<bool>& flag)
{
    auto value = flag.load();

    while (! flag.compare_exchange_weak (value, ! value))
    {
    }
}

juce::juce_wchar characterOf (const juce::KeyPress& key)
{
    return juce::CharacterFunctions::toUpperCase ((juce::juce_wchar) key.getKeyCode());
}

// Shifted digits arrive as the digit on some systems and as the shifted symbol on others.
bool isShifted (const juce::KeyPress& key, juce::juce_wchar digit, juce::juce_wchar symbol)
{
    const auto c = characterOf (key);
    return (c == digit && key.getModifiers().isShiftDown()) || c == symbol;
}
} // namespace

bool ZelkCanvas::keyPressed (const juce::KeyPress& key)
{
    // Hidden on the other pages, whose keys belong to the host.
    if (! isVisible())
        return false;

    if (key.isKeyCode (juce::KeyPress::escapeKey))
    {
        cancelGesture();
        panelOpen = false;
        hint = "Cancelled";
        repaint();
        return true;
    }

    return handleCommandKey (key) || handleEditingKey (key) || handleToolKey (key);
}

// Ctrl with a letter: the clipboard, the selection, connections and undo.
bool ZelkCanvas::handleCommandKey (const juce::KeyPress& key)
{
    const auto mods = key.getModifiers();

    if (! mods.isCommandDown())
        return false;

    switch (characterOf (key))
    {
        case 'A': selectAll (processor, edit); return true;
        case 'B': duplicateSelection (processor, edit); return true;
        case 'C': copySelection (processor, edit); return true;
        case 'D': clearSelection (edit); return true;
        case 'G':
            if (mods.isShiftDown())
                disconnectSelection (processor, edit);
            else
                connectSelection (processor, edit);
            return true;
        case 'Q': quantizeSelectionStarts (processor, edit); return true;
        case 'V':
        {
            auto beat = xToBeat (lastPointer.x);

            if (timeSnap)
                beat = std::floor (beat * 4.0 + 0.00001) / 4.0;

            pasteAt (processor, edit, beat);
            return true;
        }
        case 'X': cutSelection (processor, edit); return true;
        case 'Y':
            if (onUndoRedo)
                onUndoRedo (true);
            return true;
        case 'Z':
            if (onUndoRedo)
                onUndoRedo (mods.isShiftDown());
            return true;
        default: return false;
    }
}

// Keys by key code, with or without modifiers: snapping, zoom and moving the selection.
bool ZelkCanvas::handleEditingKey (const juce::KeyPress& key)
{
    const auto mods = key.getModifiers();
    const auto step = mods.isAltDown() ? 0.0625 : 0.25;
    const auto octave = mods.isCommandDown() ? 12 : 1;

    if (key.isKeyCode (juce::KeyPress::backspaceKey))
        toggleTimeSnap();
    else if (key.isKeyCode (juce::KeyPress::pageUpKey))
        zoomTime (0.5, 0.5);
    else if (key.isKeyCode (juce::KeyPress::pageDownKey))
        zoomTime (2.0, 0.5);
    else if (key.isKeyCode (juce::KeyPress::leftKey))
        nudgeSelection (processor, edit, -step, 0);
    else if (key.isKeyCode (juce::KeyPress::rightKey))
        nudgeSelection (processor, edit, step, 0);
    else if (key.isKeyCode (juce::KeyPress::upKey))
        nudgeSelection (processor, edit, 0.0, octave);
    else if (key.isKeyCode (juce::KeyPress::downKey))
        nudgeSelection (processor, edit, 0.0, -octave);
    else if (key.isKeyCode (juce::KeyPress::deleteKey))
        deleteSelection (processor, edit);
    else
        return false;

    return true;
}

// Single letters: the view, the snaps, vibrato, the tools and the transport.
bool ZelkCanvas::handleToolKey (const juce::KeyPress& key)
{
    if (isShifted (key, '4', '$'))
        zoomToFit();
    else if (isShifted (key, '5', '%'))
        zoomToSelection();
    else if (key.getModifiers().isCommandDown())
        return false;
    else if (characterOf (key) == 'F')
        togglePitchSnap();
    else if (characterOf (key) == 'V')
        toggleVibratoPanel();
    else if (characterOf (key) == 'P')
        setTool (Tool::draw);
    else if (characterOf (key) == 'E')
        setTool (Tool::edit);
    else if (key.isKeyCode (juce::KeyPress::spaceKey))
        invert (processor.playRequested);
    else
        return false;

    return true;
}

void ZelkCanvas::setTool (Tool newTool)
{
    cancelGesture();
    tool = newTool;
    restoreToolCursor();
    hint = toolHint;
    repaint();
}

void ZelkCanvas::toggleTimeSnap()
{
    timeSnap = ! timeSnap;
    hint = timeSnap ? "Snap: 1/16" : "Snap: off";
    refresh();
}

void ZelkCanvas::togglePitchSnap()
{
    pitchSnap = ! pitchSnap;
    hint = pitchSnap ? "Pitch: semitones" : "Pitch: free";
    refresh();
}

} // namespace zelk
