#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk
{
// One theme of the header's theme chooser: a dot in the theme's paper colour and its name.
class ThemeSwatch : public juce::Button
{
public:
    ThemeSwatch (const juce::String& name, int index);

    const int themeIndex;

protected:
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ThemeSwatch)
};

} // namespace zelk
