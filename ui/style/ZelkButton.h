#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk
{
// The plug-in's text button. Its owner animates `hoverAmount`; only the painting reads it.
class ZelkButton : public juce::Button
{
public:
    explicit ZelkButton (const juce::String& buttonText);

    float hoverAmount = 0.0f;

protected:
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZelkButton)
};

} // namespace zelk
