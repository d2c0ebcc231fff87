#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace paperstyle
{
// The eight colours of a theme, in storage order.
struct Palette
{
    juce::Colour ink, paper, accent, accent2, muted, rule, surface, shade;

    // LFO 1, 2 and 3 are drawn in accent, accent2 and muted everywhere.
    juce::Colour lfoColour (int lfo) const noexcept;

    bool operator== (const Palette& other) const noexcept;
};

enum Theme
{
    lightTheme = 0,
    darkTheme = 1,
    vintageTheme = 2
};

// Dark for 1, Vintage for 2, Light for anything else.
Palette paletteForTheme (int index) noexcept;

// The palette of the component's look-and-feel, or Light when it is not the plug-in's own.
Palette paletteFor (const juce::Component& component);

} // namespace paperstyle
