#include "ui/motion/SliderRelease.h"

#include "ui/style/Knob.h"

namespace motionui
{
void releaseSliderDrag (juce::Slider& slider)
{
    const auto* knob = dynamic_cast<const paperstyle::Knob*> (&slider);
    const auto ringHeld = knob != nullptr && knob->dragParameter != nullptr;

    if (slider.getThumbBeingDragged() < 0 && ! ringHeld)
        return;

    const auto now = juce::Time::getCurrentTime();
    const auto position = slider.getLocalBounds().getCentre().toFloat();
    const juce::MouseEvent release { juce::Desktop::getInstance().getMainMouseSource(),
                                     position,
                                     juce::ModifierKeys(),
                                     juce::MouseInputSource::defaultPressure,
                                     juce::MouseInputSource::defaultOrientation,
                                     juce::MouseInputSource::defaultRotation,
                                     juce::MouseInputSource::defaultTiltX,
                                     juce::MouseInputSource::defaultTiltY,
                                     &slider,
                                     &slider,
                                     now,
                                     position,
                                     now,
                                     1,
                                     false };
    slider.mouseUp (release);
}

} // namespace motionui
