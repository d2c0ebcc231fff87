#include "ui/motion/SliderRelease.h"

#include "ui/style/Knob.h"

namespace motionui
{
void releaseSliderDrag (juce::Slider& slider)
{
    if (auto* knob = dynamic_cast<paperstyle::Knob*> (&slider))
    {
        knob->endDragInPlace();
        return;
    }

    if (slider.getThumbBeingDragged() < 0)
        return;

    // A plain slider's release reads nothing from the event: it only ends the drag.
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
