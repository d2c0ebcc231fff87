#pragma once

#include "ui/style/Palette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace paperstyle
{
// The plug-in's look-and-feel: the current theme's palette, mapped onto the stock widgets' colour
// ids, and the paper-grain texture that backgrounds are tiled with. It draws the knobs with their
// modulation rings, the horizontal depth sliders and the sliders' value boxes.
class Look : public juce::LookAndFeel_V4
{
public:
    Look();

    void setTheme (int index);

    juce::Font getPopupMenuFont() override;
    juce::Font getComboBoxFont (juce::ComboBox& box) override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float position, float startAngle,
                           float endAngle, juce::Slider& slider) override;
    void drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float position, float minPosition,
                           float maxPosition, juce::Slider::SliderStyle style, juce::Slider& slider) override;
    void drawLabel (juce::Graphics& g, juce::Label& label) override;
    juce::Label* createSliderTextBox (juce::Slider& slider) override;

    Palette palette;
    juce::Image paperTexture;
    int themeIndex = 0;

private:
    static juce::Image makePaperTexture();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Look)
};

} // namespace paperstyle
