#include "ui/style/ZelkButton.h"

#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace zelk
{
ZelkButton::ZelkButton (const juce::String& buttonText) : juce::Button (buttonText)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void ZelkButton::paintButton (juce::Graphics& g, bool, bool)
{
    const auto palette = paperstyle::paletteFor (*this);
    paperstyle::drawCaption (g, getButtonText(), getLocalBounds().reduced (4, 0), 11.0f,
                             getToggleState() ? palette.accent : palette.ink, juce::Justification::centred);
}

} // namespace zelk
