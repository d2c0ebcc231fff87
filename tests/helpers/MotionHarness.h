#pragma once

#include "core/ZelkProcessor.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/HeadlessWindow.h"
#include "tests/helpers/KnobHarness.h"
#include "ui/motion/Panel.h"
#include "ui/style/Look.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk::test
{
// The MOTION page's panel on its own processor, at the size the editor gives it, in the plug-in's
// look, in a window that can take keyboard focus; painted into images and driven with synthesised
// mouse events and drops.
class MotionHarness
{
public:
    static constexpr int width = 920;
    static constexpr int height = 440;

    explicit MotionHarness (int theme = paperstyle::lightTheme);
    ~MotionHarness();

    motionui::Panel& operator*() noexcept { return panel; }
    motionui::Panel* operator->() noexcept { return &panel; }
    motionui::WaveEditor& wave() noexcept { return panel.wave(); }

    juce::Image paint();

    // Where the waveform's point (0..8, fractional between points) at a value (-1..1) lies, in the
    // wave editor's coordinates.
    juce::Point<float> onPlot (float point, float value);
    void press (juce::Point<float> position, juce::ModifierKeys mods);
    void drag (juce::Point<float> position, juce::ModifierKeys mods);
    void release (juce::Point<float> position);
    // A press at one point, a drag through the others in turn, and the release at the last.
    void stroke (std::initializer_list<juce::Point<float>> positions);

    // The host writes a parameter (automation).
    void setHost (const juce::String& identifier, float value);
    float value (const juce::String& identifier);
    // Gestures opened and not yet closed on one parameter, and on all of them.
    int openGestures (const juce::String& identifier);
    int openGestures();
    int gesturesBegun (const juce::String& identifier);

    ZelkProcessor processor;
    paperstyle::Look look;
    HeadlessWindow window;
    motionui::Panel panel { processor };
    GestureCounter gestures;

private:
    int indexOf (const juce::String& identifier);
    juce::Point<float> pressPosition;
};

// A drag with this description dropped on a knob, as the drag container delivers it. False when
// the knob was not interested in it.
bool dropOn (paperstyle::Knob& knob, const juce::var& description);

// A slider's value box, and the text it shows.
juce::Label& valueBoxOf (juce::Slider& slider);
juce::String shownText (juce::Slider& slider);

} // namespace zelk::test
