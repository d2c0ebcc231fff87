#include "ui/style/Captions.h"

namespace paperstyle
{
juce::Font captionFont (float nominalSize, int style)
{
    return juce::Font ("Segoe UI", nominalSize * 1.2f, style);
}

juce::Font valueFont (float nominalSize)
{
    return juce::Font ("Consolas", nominalSize * 1.2f, juce::Font::plain);
}

void drawCaption (juce::Graphics& g, const juce::String& text, juce::Rectangle<int> area, float nominalSize,
                  juce::Colour colour, juce::Justification justification)
{
    g.setColour (colour);
    g.setFont (captionFont (nominalSize));
    g.drawText (text, area, justification, true);
}

} // namespace paperstyle
