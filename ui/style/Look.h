#pragma once

#include "ui/style/Palette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace paperstyle
{
// The plug-in's look-and-feel: the current theme's palette, mapped onto the stock widgets' colour
// ids, and the paper-grain texture that backgrounds are tiled with.
class Look : public juce::LookAndFeel_V4
{
public:
    Look();

    void setTheme (int index);

    juce::Font getPopupMenuFont() override;
    juce::Font getComboBoxFont (juce::ComboBox& box) override;

    Palette palette;
    juce::Image paperTexture;
    int themeIndex = 0;

private:
    static juce::Image makePaperTexture();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Look)
};

} // namespace paperstyle
