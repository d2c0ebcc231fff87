#pragma once

#include "ui/style/ZelkButton.h"

#include <functional>

namespace zelk
{
class ZelkProcessor;

// The PIANO ROLL toolbar's "DRAG MIDI" grip. Dragged out of the window, it renders the loop as
// EXPORT MIDI does, with the output options, into a file in Zelk's own temporary folder, and hands
// that file to the window system's drag and drop, for the DAW to take. The render runs as soon as
// the grip is dragged at all, so that the file is ready when the pointer leaves the window. A
// render that fails says why through onStatus and starts no drag.
class DragMidiGrip : public ZelkButton
{
public:
    explicit DragMidiGrip (ZelkProcessor& processor);

    std::function<void (const juce::String&)> onStatus;

    // The external drag itself, which calls `ended` on the message thread when it is over; JUCE's
    // performExternalDragDropOfFiles unless a test replaces it.
    std::function<bool (const juce::StringArray& files, juce::Component& source, std::function<void()> ended)> startExternalDrag;

    // Where the files go: platform::loopDragFolder() unless a test says otherwise.
    juce::File folder;

    // Renders the loop, as the start of a drag does; false with the status set when it failed.
    bool render();
    // Starts the external drag of the rendered file, as leaving the window does; true once started.
    bool startDrag();

    // The file the last render wrote.
    const juce::File& lastFile() const noexcept { return file; }

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;

private:
    bool outsideWindow (const juce::MouseEvent& e) const;
    void dragEnded (int attempt = 0);
    void say (const juce::String& line);

    ZelkProcessor& processor;
    juce::File file;
    // One render and one drag per press, however long the pointer then moves about.
    enum class Press
    {
        none,
        rendered,
        failed,
        dragging
    };
    Press press = Press::none;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DragMidiGrip)
};

// Once per process, at the first grip made: loop files older than a day leave the folder.
void removeStaleLoopDragFilesOnce();

} // namespace zelk
