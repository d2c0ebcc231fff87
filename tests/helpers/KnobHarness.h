#pragma once

#include "core/ZelkProcessor.h"
#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/HeadlessWindow.h"
#include "ui/style/Knob.h"
#include "ui/style/Look.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <map>
#include <vector>

namespace zelk::test
{
// Counts the change gestures the host sees, by parameter index.
struct GestureCounter : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index) override { ++begun[index]; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index) override { ++ended[index]; }

    std::map<int, int> begun, ended;
};

// A knob as the CONTROLS page builds it: bound to a global control, with the routes from the three
// LFOs to it, in a window that can take keyboard focus, painted into images and driven with
// synthesised mouse events.
class KnobHarness
{
public:
    static constexpr int width = 188;
    static constexpr int height = 190;

    explicit KnobHarness (int theme = paperstyle::lightTheme, int destination = zelk::destination::pressure);
    ~KnobHarness();

    // The knob and its value box on the current paper colour.
    juce::Image paint();

    void press (juce::Point<float> position, juce::ModifierKeys mods = {}, int clicks = 1);
    void drag (juce::Point<float> position, juce::ModifierKeys mods = {});
    void release (juce::Point<float> position);
    void doubleClick (juce::Point<float> position);
    void move (juce::Point<float> position);
    void exit();

    juce::RangedAudioParameter& route (int lfo);
    float routeValue (int lfo);
    void setRoute (int lfo, float depth);
    void setValue (float value);

    // The dial's geometry as the look draws it.
    juce::Point<float> centre() const;
    float radius() const;
    juce::Point<float> onDial (float radius, float proportion) const;
    juce::Point<float> onRing (int lfo, float proportion) const;

    juce::Label& valueBox();

    const int destination;
    ZelkProcessor processor;
    paperstyle::Look look;
    HeadlessWindow window;
    paperstyle::Knob knob;
    juce::SliderParameterAttachment attachment;
    std::vector<int> dropped;
    GestureCounter gestures;

private:
    juce::Rectangle<int> dialArea() const;
    juce::MouseEvent event (juce::Point<float> position, juce::ModifierKeys mods, int clicks, bool dragged);
    juce::Point<float> pressPosition;
};

// The pixel nearest to a colour among those within a pixel of a point.
int nearestDistance (const juce::Image& image, juce::Point<float> point, juce::Colour colour);

} // namespace zelk::test
