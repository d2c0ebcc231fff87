#include "ui/style/Knob.h"
#include "ui/style/Look.h"

namespace paperstyle
{
namespace
{
juce::Font valueBoxFont (const juce::Label& label)
{
    return juce::Font ("Consolas", label.getWidth() >= 60 ? 12.5f : 10.0f, juce::Font::plain);
}

juce::String valueBoxText (const juce::Label& label, const Knob* knob)
{
    if (knob != nullptr)
        if (const auto ring = knob->describedRing(); ring >= 0 && ring <= 2)
            return ringDepthText (ring, knob->routeDepth[(size_t) ring]);

    return label.getText();
}
} // namespace

void Look::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float position,
                             float minPosition, float maxPosition, juce::Slider::SliderStyle style,
                             juce::Slider& slider)
{
    if (! slider.isHorizontal())
    {
        LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, position, minPosition, maxPosition, style, slider);
        return;
    }

    const auto cy = (float) y + (float) height * 0.5f;
    g.setColour (palette.ink.withAlpha (0.18f));
    g.drawLine ((float) x, cy, (float) (x + width), cy, 3.0f);

    // Depth lines grow from the middle, in the colour of the LFO the route comes from.
    const auto source = (int) slider.getProperties().getWithDefault ("sourceIndex", 0);
    g.setColour (palette.lfoColour (source));
    g.drawLine ((float) x + (float) width * 0.5f, cy, position, cy, 3.0f);
    g.fillEllipse (juce::Rectangle<float> (7.0f, 7.0f).withCentre ({ position, cy }));
}

void Look::drawLabel (juce::Graphics& g, juce::Label& label)
{
    if (dynamic_cast<juce::Slider*> (label.getParentComponent()) == nullptr)
    {
        LookAndFeel_V4::drawLabel (g, label);
        return;
    }

    const auto* knob = dynamic_cast<const Knob*> (label.getParentComponent());
    const auto hover = knob != nullptr ? knob->hoverAmount : 0.0f;

    const auto bounds = label.getLocalBounds().toFloat();
    const juce::Rectangle<float> box (bounds.getX() + 3.0f, bounds.getY() + 1.0f,
                                      juce::jmax (0.0f, bounds.getWidth() - 6.0f),
                                      juce::jmax (0.0f, bounds.getHeight() - 2.0f));
    g.setColour (palette.surface.withAlpha (0.28f + 0.4f * hover));
    g.fillRoundedRectangle (box, 3.0f);
    g.setColour (palette.rule.withAlpha (0.65f).interpolatedWith (palette.accent, 0.75f * hover));
    g.drawRoundedRectangle (box, 2.0f, 0.65f);

    if (label.isBeingEdited())
        return;

    g.setColour (palette.ink.withAlpha (label.isEnabled() ? 1.0f : 0.4f));
    g.setFont (valueBoxFont (label));
    g.drawText (valueBoxText (label, knob), label.getLocalBounds(), juce::Justification::centred, true);
}

juce::Label* Look::createSliderTextBox (juce::Slider& slider)
{
    auto* label = LookAndFeel_V4::createSliderTextBox (slider);
    label->setFont (juce::Font ("Consolas", 14.0f, juce::Font::plain));
    return label;
}

} // namespace paperstyle
