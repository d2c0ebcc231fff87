#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace paperstyle
{
// Interface text: "Segoe UI" at the nominal size times 1.2 (the platform substitutes its own sans
// serif where the face is missing). Value boxes use valueFont.
juce::Font captionFont (float nominalSize, int style = juce::Font::plain);
juce::Font valueFont (float nominalSize);

// Draws one line of caption text, shortened with an ellipsis when it does not fit.
void drawCaption (juce::Graphics& g, const juce::String& text, juce::Rectangle<int> area, float nominalSize,
                  juce::Colour colour, juce::Justification justification = juce::Justification::centredLeft);

} // namespace paperstyle
