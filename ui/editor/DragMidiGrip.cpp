#include "ui/editor/DragMidiGrip.h"

#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "midi/LoopDragFile.h"

#include <atomic>

namespace zelk
{
void removeStaleLoopDragFilesOnce()
{
    static std::atomic<bool> done { false };

    if (! done.exchange (true))
        removeStaleLoopDragFiles (platform::loopDragFolder(), juce::Time::getCurrentTime());
}

DragMidiGrip::DragMidiGrip (ZelkProcessor& p) : ZelkButton ("DRAG MIDI"), folder (platform::loopDragFolder()), processor (p)
{
    setComponentID ("drag-midi");
    setTooltip ("Drag the loop out of the window onto a track: MPE MIDI as EXPORT MIDI writes it, with the OUTPUT options.");
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    onClick = [this]
    {
        if (press == Press::none)
            say ("Drag DRAG MIDI out of the window and drop it on a track");
    };

    startExternalDrag = [] (const juce::StringArray& files, juce::Component& source, std::function<void()> ended)
    { return juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, &source, std::move (ended)); };

    removeStaleLoopDragFilesOnce();
}

void DragMidiGrip::say (const juce::String& line)
{
    if (onStatus != nullptr)
        onStatus (line);
}

bool DragMidiGrip::render()
{
    const auto written = writeLoopDragFile (processor, folder);

    if (! written.ok())
    {
        say (written.error);
        return false;
    }

    file = written.file;
    return true;
}

bool DragMidiGrip::startDrag()
{
    const juce::Component::SafePointer<DragMidiGrip> grip (this);
    const auto ended = [grip]
    {
        if (grip != nullptr)
            grip->dragEnded();
    };

    if (startExternalDrag == nullptr || ! startExternalDrag ({ platform::externalDragName (file) }, *this, ended))
    {
        say ("Drag failed: the window system did not start it");
        return false;
    }

    say ("Dragging " + file.getFileName());
    return true;
}

// Windows' drag and drop takes the button's release for itself, so the window never hears of it
// and would take the next click for more of this drag. Once the system says the button is up (it
// may say so a little after the drag ended), the press ends here.
void DragMidiGrip::dragEnded (int attempt)
{
    const auto buttons = juce::ModifierKeys::getCurrentModifiersRealtime();
    const auto& mouse = juce::Desktop::getInstance().getMainMouseSource();
    auto* peer = getPeer();

    if (peer == nullptr || ! mouse.isDragging())
        return;

    if (buttons.isAnyMouseButtonDown())
    {
        if (attempt < 40)
            juce::Timer::callAfterDelay (50, [grip = juce::Component::SafePointer<DragMidiGrip> (this), attempt]
                                         {
                                             if (grip != nullptr)
                                                 grip->dragEnded (attempt + 1);
                                         });
        return;
    }

    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, peer->globalToLocal (mouse.getScreenPosition()),
                            buttons, juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                            juce::Time::currentTimeMillis());
}

bool DragMidiGrip::outsideWindow (const juce::MouseEvent& e) const
{
    // The outermost window Zelk draws: the plug-in's editor in a host, the whole window standing alone.
    const auto* window = getTopLevelComponent();
    return window != nullptr && ! window->getScreenBounds().contains (e.getScreenPosition());
}

void DragMidiGrip::mouseDown (const juce::MouseEvent& e)
{
    press = Press::none;
    ZelkButton::mouseDown (e);
}

void DragMidiGrip::mouseDrag (const juce::MouseEvent& e)
{
    ZelkButton::mouseDrag (e);

    // The render takes a good part of a tenth of a second: done while the pointer is still on
    // its way out, the drag starts the moment it leaves.
    if (press == Press::none && e.getDistanceFromDragStart() > 3)
        press = render() ? Press::rendered : Press::failed;

    if (press == Press::rendered && outsideWindow (e))
        press = startDrag() ? Press::dragging : Press::failed;
}

void DragMidiGrip::mouseUp (const juce::MouseEvent& e)
{
    // A release back on the grip after a drag is no click.
    ZelkButton::mouseUp (e);
    press = Press::none;
}

void DragMidiGrip::mouseEnter (const juce::MouseEvent& e)
{
    hoverAmount = 1.0f;
    repaint();
    ZelkButton::mouseEnter (e);
}

void DragMidiGrip::mouseExit (const juce::MouseEvent& e)
{
    hoverAmount = 0.0f;
    repaint();
    ZelkButton::mouseExit (e);
}

} // namespace zelk
