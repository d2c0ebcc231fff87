#include "tests/helpers/MotionHarness.h"

#include "tests/helpers/CanvasHarness.h"

#include <stdexcept>

namespace zelk::test
{
MotionHarness::MotionHarness (int theme)
{
    look.setTheme (theme);
    window.setLookAndFeel (&look);
    window.setSize (width, height);
    panel.setBounds (0, 0, width, height);
    window.addAndMakeVisible (panel);
    processor.addListener (&gestures);
}

MotionHarness::~MotionHarness()
{
    processor.removeListener (&gestures);
    window.removeChildComponent (&panel);
    window.setLookAndFeel (nullptr);
}

juce::Image MotionHarness::paint()
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (look.palette.paper);
    panel.paintEntireComponent (g, false);
    return image;
}

juce::Point<float> MotionHarness::onPlot (float point, float value)
{
    const auto plot = wave().plotArea();
    return { plot.getX() + plot.getWidth() * point / 8.0f, plot.getY() + plot.getHeight() * (1.0f - value) * 0.5f };
}

void MotionHarness::press (juce::Point<float> position, juce::ModifierKeys mods)
{
    pressPosition = position;
    wave().mouseDown (mouseEventOn (wave(), position, mods, pressPosition));
}

void MotionHarness::drag (juce::Point<float> position, juce::ModifierKeys mods)
{
    wave().mouseDrag (mouseEventOn (wave(), position, mods, pressPosition, 1, true));
}

void MotionHarness::release (juce::Point<float> position)
{
    wave().mouseUp (mouseEventOn (wave(), position, {}, pressPosition, 1, true));
}

void MotionHarness::stroke (std::initializer_list<juce::Point<float>> positions)
{
    auto first = true;

    for (const auto& position : positions)
    {
        if (first)
            press (position, leftButton());
        else
            drag (position, leftButton());

        first = false;
    }

    release (*(positions.end() - 1));
}

bool dropOn (paperstyle::Knob& knob, const juce::var& description)
{
    const juce::DragAndDropTarget::SourceDetails details { description, nullptr, knob.getLocalBounds().getCentre() };

    if (! knob.isInterestedInDragSource (details))
        return false;

    knob.itemDragEnter (details);
    knob.itemDropped (details);
    return true;
}

void MotionHarness::setHost (const juce::String& identifier, float v)
{
    auto* parameter = processor.parameterTree().getParameter (identifier);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (v));
}

float MotionHarness::value (const juce::String& identifier)
{
    return processor.parameterTree().getRawParameterValue (identifier)->load();
}

int MotionHarness::indexOf (const juce::String& identifier)
{
    return processor.parameterTree().getParameter (identifier)->getParameterIndex();
}

int MotionHarness::gesturesBegun (const juce::String& identifier) { return gestures.begun[indexOf (identifier)]; }

int MotionHarness::openGestures (const juce::String& identifier)
{
    const auto index = indexOf (identifier);
    return gestures.begun[index] - gestures.ended[index];
}

int MotionHarness::openGestures()
{
    auto open = 0;

    for (const auto& [index, count] : gestures.begun)
        open += count - gestures.ended[index];

    return open;
}

juce::Label& valueBoxOf (juce::Slider& slider)
{
    for (auto* child : slider.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            return *label;

    throw std::logic_error ("the slider has no value box");
}

juce::String shownText (juce::Slider& slider) { return valueBoxOf (slider).getText(); }

} // namespace zelk::test
