#pragma once

#include <juce_graphics/juce_graphics.h>

namespace zelk
{
// A white silhouette of the artwork's dark parts, cropped to them, for painting as a mask tinted
// with the theme's ink. Pixels up to brightness 80 of 255 are opaque, from 200 transparent,
// linear between. A null image when nothing is dark enough, or when the artwork is null.
juce::Image logoSilhouette (const juce::Image& artwork);

// The embedded artwork, prepared.
juce::Image prepareLogo();

} // namespace zelk
