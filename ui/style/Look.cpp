#include "ui/style/Look.h"

#include "ui/style/Captions.h"

namespace paperstyle
{
Look::Look() : paperTexture (makePaperTexture())
{
    themeIndex = 0;
    setTheme (lightTheme);
}

juce::Image Look::makePaperTexture()
{
    constexpr int size = 256;
    juce::Image image (juce::Image::ARGB, size, size, true);
    juce::Random random (730219);

    // The draws happen in a fixed order, so every instance gets the same grain.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const auto light = random.nextBool();
            const auto f = random.nextFloat();
            const auto colour = light ? juce::Colours::white : juce::Colour (0xFF524D40);
            image.setPixelAt (x, y, colour.withAlpha (f * 0.045f + 0.008f));
        }

    juce::Graphics g (image);
    g.setColour (juce::Colour (0xFF8E8572).withAlpha (0.025f));

    for (int i = 0; i < 700; ++i)
    {
        const auto x = random.nextFloat() * 256.0f;
        const auto y = random.nextFloat() * 256.0f;
        const auto y2 = random.nextFloat() * 1.4f + y;
        const auto x2 = random.nextFloat() * 4.0f + x + 1.0f;
        g.drawLine (x, y, x2, y2, 0.5f);
    }

    return image;
}

void Look::setTheme (int index)
{
    themeIndex = index;
    palette = paletteForTheme (index);

    const auto transparent = juce::Colours::transparentBlack;
    setColour (juce::Slider::textBoxTextColourId, palette.ink);
    setColour (juce::Slider::textBoxBackgroundColourId, transparent);
    setColour (juce::Slider::textBoxOutlineColourId, transparent);
    setColour (juce::PopupMenu::backgroundColourId, palette.paper);
    setColour (juce::PopupMenu::textColourId, palette.ink);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, palette.accent);
    setColour (juce::PopupMenu::highlightedTextColourId, palette.paper);
    setColour (juce::TextEditor::backgroundColourId, palette.paper.brighter (0.07f));
    setColour (juce::TextEditor::textColourId, palette.ink);
    setColour (juce::TextEditor::highlightColourId, palette.accent2.withAlpha (0.5f));
    setColour (juce::TooltipWindow::backgroundColourId, palette.paper);
    setColour (juce::TooltipWindow::textColourId, palette.ink);
    setColour (juce::TooltipWindow::outlineColourId, palette.accent2);
    setColour (juce::ScrollBar::thumbColourId, palette.rule.darker (0.2f));
    setColour (juce::ScrollBar::backgroundColourId, palette.paper);
}

juce::Font Look::getPopupMenuFont() { return captionFont (13.0f); }
juce::Font Look::getComboBoxFont (juce::ComboBox&) { return captionFont (12.0f, juce::Font::bold); }

} // namespace paperstyle
