#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace motionui
{
// Ends a pointer drag on a slider (or on a knob's ring) where it is, changing no value. A slider
// attachment brackets drags with the host's change gesture and is destroyed before its slider, so
// a drag it was told of must end while it still listens, or the host's gesture would stay open.
void releaseSliderDrag (juce::Slider& slider);

} // namespace motionui
