#include "tests/helpers/KnobHarness.h"

#include <cmath>
#include <stdexcept>

namespace zelk::test
{
KnobHarness::KnobHarness (int theme, int destinationIndex)
    : destination (destinationIndex)
    , attachment (*processor.parameterTree().getParameter (destinationId (destinationIndex)), knob)
{
    look.setTheme (theme);
    window.setLookAndFeel (&look);
    window.setSize (width + 20, height + 20);

    knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
    knob.setWantsKeyboardFocus (true);
    knob.getProperties().set ("primary", false);
    knob.setDoubleClickReturnValue (true, destinationRange (destinationIndex).defaultValue,
                                    juce::ModifierKeys::altModifier);
    knob.onLfoDropped = [this] (int lfo) { dropped.push_back (lfo); };
    knob.routeParameter = [this] (int lfo) -> juce::RangedAudioParameter*
    { return processor.parameterTree().getParameter (routeParameterId (lfo, destination)); };
    knob.setBounds (10, 10, width, height);
    window.addAndMakeVisible (knob);
    processor.addListener (&gestures);
}

KnobHarness::~KnobHarness()
{
    processor.removeListener (&gestures);
    window.setLookAndFeel (nullptr);
}

juce::Image KnobHarness::paint()
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (look.palette.paper);
    knob.paintEntireComponent (g, false);
    return image;
}

juce::MouseEvent KnobHarness::event (juce::Point<float> position, juce::ModifierKeys mods, int clicks, bool dragged)
{
    return pointerEvent (knob, position, mods, clicks, dragged, pressPosition);
}

void KnobHarness::press (juce::Point<float> position, juce::ModifierKeys mods, int clicks)
{
    pressPosition = position;
    knob.mouseDown (event (position, leftButton (mods.getRawFlags()), clicks, false));
}

void KnobHarness::drag (juce::Point<float> position, juce::ModifierKeys mods)
{
    knob.mouseDrag (event (position, leftButton (mods.getRawFlags()), 1, true));
}

void KnobHarness::release (juce::Point<float> position) { knob.mouseUp (event (position, {}, 1, false)); }

void KnobHarness::doubleClick (juce::Point<float> position)
{
    press (position);
    release (position);
    press (position, {}, 2);
    knob.mouseDoubleClick (event (position, leftButton(), 2, false));
    release (position);
}

void KnobHarness::move (juce::Point<float> position)
{
    pressPosition = position;
    knob.mouseMove (event (position, {}, 0, false));
}

void KnobHarness::exit() { knob.mouseExit (event ({ -10.0f, -10.0f }, {}, 0, false)); }

juce::RangedAudioParameter& KnobHarness::route (int lfo)
{
    return *processor.parameterTree().getParameter (routeParameterId (lfo, destination));
}

float KnobHarness::routeValue (int lfo) { return route (lfo).convertFrom0to1 (route (lfo).getValue()); }

void KnobHarness::setRoute (int lfo, float depth)
{
    route (lfo).setValueNotifyingHost (route (lfo).convertTo0to1 (depth));
}

void KnobHarness::setValue (float value)
{
    auto& parameter = *processor.parameterTree().getParameter (destinationId (destination));
    parameter.setValueNotifyingHost (parameter.convertTo0to1 (value));
}

juce::Rectangle<int> KnobHarness::dialArea() const
{
    return knob.getLookAndFeel().getSliderLayout (const_cast<paperstyle::Knob&> (knob)).sliderBounds;
}

juce::Point<float> KnobHarness::centre() const { return dialArea().toFloat().getCentre(); }

float KnobHarness::radius() const
{
    const auto bounds = dialArea();
    return std::min ((float) std::min (bounds.getWidth(), bounds.getHeight()) * 0.5f - 17.0f, 48.0f);
}

juce::Point<float> KnobHarness::onDial (float radiusHere, float proportion) const
{
    const auto rotary = knob.getRotaryParameters();
    const auto angle = rotary.startAngleRadians + (rotary.endAngleRadians - rotary.startAngleRadians) * proportion;
    const auto c = centre();
    return { c.x + radiusHere * std::sin (angle), c.y - radiusHere * std::cos (angle) };
}

juce::Point<float> KnobHarness::onRing (int lfo, float proportion) const
{
    return onDial (radius() + 4.0f + 5.0f * (float) lfo, proportion);
}

juce::Label& KnobHarness::valueBox()
{
    for (auto* child : knob.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            return *label;

    throw std::logic_error ("the knob has no value box");
}

int nearestDistance (const juce::Image& image, juce::Point<float> point, juce::Colour colour)
{
    auto best = 255;

    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            best = std::min (best, channelDistance (image.getPixelAt ((int) point.x + dx, (int) point.y + dy), colour));

    return best;
}

} // namespace zelk::test
