#pragma once

#include "core/ZelkProcessor.h"
#include "editing/UndoHistory.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/Look.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <map>
#include <memory>

namespace zelk::test
{
// Counts the change gestures the host sees, per parameter, so that a test can tell whether every
// gesture a canvas opened has been closed.
class HostGestures : private juce::AudioProcessorListener
{
public:
    explicit HostGestures (juce::AudioProcessor& processor);
    ~HostGestures() override;

    int begun() const noexcept { return begins; }
    int ended() const noexcept { return ends; }
    // Gestures begun and not yet ended, over all parameters.
    int open() const;
    // Whether the parameter with this identifier has a gesture open.
    bool isOpen (const juce::String& identifier) const;
    void reset();

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override;

    juce::AudioProcessor& processor;
    int begins = 0, ends = 0;
    std::map<int, int> openByIndex;
};

// A mouse event on a component, as the framework would deliver it.
juce::MouseEvent pointerEvent (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods,
                               int clicks, bool dragged, juce::Point<float> pressPosition);

// A canvas on its own processor at the size it has in the default window, looking as the editor
// makes it look and wired to an undo history as the editor wires it, painted into an image and
// driven with synthesised pointer events.
class CanvasHarness
{
public:
    static constexpr int width = 1216;
    static constexpr int height = 658;

    explicit CanvasHarness (int theme = paperstyle::lightTheme);
    ~CanvasHarness();

    juce::Image paint();
    // The canvas with its children, as the window shows it (the vibrato panel included).
    juce::Image paintEntirely();

    void press (juce::Point<float> position, juce::ModifierKeys mods, int clicks = 1);
    void drag (juce::Point<float> position, juce::ModifierKeys mods);
    // The framework's drag auto-repeat: the last drag event again, with the pointer at rest.
    void repeatDrag();
    void release (juce::Point<float> position);
    // Both clicks of a double click, and the double click itself.
    void doubleClick (juce::Point<float> position, juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier);
    void move (juce::Point<float> position);
    void wheel (juce::Point<float> position, float dx, float dy, juce::ModifierKeys mods = {});

    // A press, drags through the given points in turn, and the release at the last of them.
    void stroke (std::initializer_list<juce::Point<float>> points, juce::ModifierKeys mods);

    // The pixel of a beat and a pitch on the grid.
    juce::Point<float> at (double beat, double pitch) const;

    // Writes a plain note (flat pitch line) into a slot.
    Note putNote (int slot, float start, float duration, int pitch);
    void link (int from, int to);
    void setRange (double start, double end);

    // The pixel centre of a note's line at a fraction of it.
    juce::Point<float> onLine (int slot, double fraction) const;

    int undoSteps() const { return (int) history.undoSteps().size(); }
    void undo() { history.undo (canvas.editState()); }

    // Destroys the canvas as the editor's destruction would; `canvas` must not be used after.
    void destroyCanvas();

    ZelkProcessor processor;
    HostGestures gestures { processor };
    UndoHistory history { processor };
    paperstyle::Look look;

private:
    std::unique_ptr<ZelkCanvas> ownedCanvas = std::make_unique<ZelkCanvas> (processor);

public:
    ZelkCanvas& canvas = *ownedCanvas;

private:
    juce::MouseEvent event (juce::Point<float> position, juce::ModifierKeys mods, int clicks, bool dragged);
    juce::Point<float> pressPosition, lastDrag;
    juce::ModifierKeys lastDragMods;
};

// Mouse buttons with keyboard modifiers, as a press or a drag reports them.
juce::ModifierKeys leftButton (int keys = 0);
juce::ModifierKeys rightButton (int keys = 0);
juce::ModifierKeys middleButton();

// The largest difference of any colour channel, alpha included.
int channelDistance (juce::Colour a, juce::Colour b);
// Pixels that differ at all between two images of the same size.
int differingPixels (const juce::Image& a, const juce::Image& b);

// The busy pattern the snapshots show: connected notes with bends and glides, vibrato, a time
// selection and the playhead with sounding dots.
void writeBusyPattern (CanvasHarness& harness);

} // namespace zelk::test
