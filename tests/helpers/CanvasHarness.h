#pragma once

#include "core/ZelkProcessor.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/Look.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk::test
{
// A canvas on its own processor at the size it has in the default window, looking as the editor
// makes it look, painted into an image and driven with synthesised pointer events.
class CanvasHarness
{
public:
    static constexpr int width = 1216;
    static constexpr int height = 658;

    explicit CanvasHarness (int theme = paperstyle::lightTheme);
    ~CanvasHarness();

    juce::Image paint();

    void press (juce::Point<float> position, juce::ModifierKeys mods, int clicks = 1);
    void drag (juce::Point<float> position, juce::ModifierKeys mods);
    void release (juce::Point<float> position);
    void move (juce::Point<float> position);
    void wheel (juce::Point<float> position, float dx, float dy, juce::ModifierKeys mods = {});

    // Writes a plain note (flat pitch line) into a slot.
    Note putNote (int slot, float start, float duration, int pitch);
    void link (int from, int to);
    void setRange (double start, double end);

    // The pixel centre of a note's line at a fraction of it.
    juce::Point<float> onLine (int slot, double fraction) const;

    ZelkProcessor processor;
    paperstyle::Look look;
    ZelkCanvas canvas { processor };

private:
    juce::MouseEvent event (juce::Point<float> position, juce::ModifierKeys mods, int clicks, bool dragged);
    juce::Point<float> pressPosition;
};

// Mouse buttons with keyboard modifiers, as a press or a drag reports them.
juce::ModifierKeys leftButton (int keys = 0);
juce::ModifierKeys rightButton (int keys = 0);
juce::ModifierKeys middleButton();

// The largest difference of any colour channel, alpha included.
int channelDistance (juce::Colour a, juce::Colour b);

// The busy pattern the snapshots show: connected notes with bends and glides, vibrato, a time
// selection and the playhead with sounding dots.
void writeBusyPattern (CanvasHarness& harness);

} // namespace zelk::test
