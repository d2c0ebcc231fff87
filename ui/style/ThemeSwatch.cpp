#include "ui/style/ThemeSwatch.h"

#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace zelk
{
ThemeSwatch::ThemeSwatch (const juce::String& name, int index) : juce::Button (name), themeIndex (index)
{
    setTooltip ("Appearance: " + name + " (saved per instance)");
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void ThemeSwatch::paintButton (juce::Graphics& g, bool highlighted, bool)
{
    const auto current = paperstyle::paletteFor (*this);
    const auto own = paperstyle::paletteForTheme (themeIndex);
    const auto on = getToggleState();
    const juce::Rectangle<float> dot (3.0f, 6.0f, 14.0f, 14.0f);

    // The dot shows the swatch's own theme; its outline and the caption belong to the current one.
    g.setColour (own.paper);
    g.fillEllipse (dot);
    g.setColour (on ? current.ink : current.rule);
    g.drawEllipse (dot, on ? 1.8f : 0.8f);

    if (on)
    {
        g.setColour (own.ink);
        g.fillEllipse (8.0f, 11.0f, 4.0f, 4.0f);
    }

    paperstyle::drawCaption (g, getButtonText(), { 23, 0, juce::jmax (getWidth() - 23, 0), getHeight() }, 10.0f,
                             highlighted || on ? current.ink : current.muted);

    if (hasKeyboardFocus (false))
    {
        g.setColour (current.accent);
        g.drawRoundedRectangle (getLocalBounds().toFloat().reduced (1.0f), 8.0f, 1.0f);
    }
}

} // namespace zelk
