#include "ui/style/ZelkButton.h"

#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace zelk
{
ZelkButton::ZelkButton (const juce::String& buttonText) : juce::Button (buttonText)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void ZelkButton::paintButton (juce::Graphics& g, bool, bool down)
{
    const auto palette = paperstyle::paletteFor (*this);
    const juce::Rectangle<float> box (2.0f, down ? 4.0f : 3.0f, (float) juce::jmax (getWidth() - 4, 0),
                                      (float) juce::jmax (getHeight() - 6, 0));
    auto textColour = palette.ink;

    if (getToggleState())
    {
        g.setColour (palette.accent.withAlpha (0.075f));
        g.fillRoundedRectangle (box, 3.0f);
        g.setColour (palette.accent.withAlpha (0.45f));
        g.drawRoundedRectangle (box, 3.0f, 0.7f);

        if (box.getWidth() > 20.0f)
        {
            g.setColour (palette.accent);
            g.fillRoundedRectangle (box.getX() + 10.0f, box.getBottom() - 2.0f, box.getWidth() - 20.0f, 1.5f, 0.75f);
        }

        textColour = palette.accent;
    }
    else
    {
        g.setColour (palette.surface.withAlpha (0.3f + 0.3f * hoverAmount));
        g.fillRoundedRectangle (box, 3.0f);
        g.setColour (palette.rule.withAlpha (0.7f).interpolatedWith (palette.accent, 0.65f * hoverAmount));
        g.drawRoundedRectangle (box, 3.0f, 0.7f);
    }

    paperstyle::drawCaption (g, getButtonText(), { 4, 0, juce::jmax (getWidth() - 8, 0), getHeight() }, 11.0f,
                             textColour, juce::Justification::centred);

    if (hasKeyboardFocus (false))
    {
        const juce::Rectangle<float> focus (box.getX() + 2.0f, box.getY() + 2.0f,
                                            juce::jmax (0.0f, box.getWidth() - 4.0f),
                                            juce::jmax (0.0f, box.getHeight() - 4.0f));
        g.setColour (palette.accent);
        g.drawRoundedRectangle (focus, 2.0f, 1.0f);
    }
}

} // namespace zelk
