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

void ThemeSwatch::paintButton (juce::Graphics& g, bool, bool)
{
    const auto current = paperstyle::paletteFor (*this);
    const auto own = paperstyle::paletteForTheme (themeIndex);
    g.setColour (own.paper);
    g.fillEllipse (3.0f, 6.0f, 14.0f, 14.0f);
    paperstyle::drawCaption (g, getButtonText(), { 23, 0, getWidth() - 23, getHeight() }, 10.0f,
                             getToggleState() ? current.ink : current.muted);
}

} // namespace zelk
