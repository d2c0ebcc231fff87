#include "ui/style/Captions.h"
#include "ui/style/Look.h"

#include <gtest/gtest.h>

using namespace paperstyle;

namespace
{
const int colourIds[] = {
    juce::Slider::textBoxTextColourId,       juce::Slider::textBoxBackgroundColourId,
    juce::Slider::textBoxOutlineColourId,    juce::PopupMenu::backgroundColourId,
    juce::PopupMenu::textColourId,           juce::PopupMenu::highlightedBackgroundColourId,
    juce::PopupMenu::highlightedTextColourId, juce::TextEditor::backgroundColourId,
    juce::TextEditor::textColourId,          juce::TextEditor::highlightColourId,
    juce::TooltipWindow::backgroundColourId, juce::TooltipWindow::textColourId,
    juce::TooltipWindow::outlineColourId,    juce::ScrollBar::thumbColourId,
    juce::ScrollBar::backgroundColourId,
};

std::vector<juce::Colour> colourIdValues (Look& look)
{
    std::vector<juce::Colour> values;

    for (auto id : colourIds)
        values.push_back (look.findColour (id));

    return values;
}
} // namespace

TEST (Palettes, ThemesAndTheirFallback)
{
    EXPECT_EQ (paletteForTheme (1).paper, juce::Colour (0xFF202427));
    EXPECT_EQ (paletteForTheme (2).accent, juce::Colour (0xFF9A4E2D));
    EXPECT_EQ (paletteForTheme (0).ink, juce::Colour (0xFF171A19));
    EXPECT_TRUE (paletteForTheme (7) == paletteForTheme (0));
    EXPECT_TRUE (paletteForTheme (-1) == paletteForTheme (0));

    const auto dark = paletteForTheme (darkTheme);
    EXPECT_EQ (dark.lfoColour (0), dark.accent);
    EXPECT_EQ (dark.lfoColour (1), dark.accent2);
    EXPECT_EQ (dark.lfoColour (2), dark.muted);
    EXPECT_EQ (dark.lfoColour (9), dark.muted);
    EXPECT_EQ (dark.lfoColour (-3), dark.accent);
}

TEST (Palettes, AComponentGetsItsLooksPaletteOrLight)
{
    juce::Component component;
    EXPECT_TRUE (paletteFor (component) == paletteForTheme (lightTheme));

    Look look;
    look.setTheme (vintageTheme);
    component.setLookAndFeel (&look);
    EXPECT_TRUE (paletteFor (component) == paletteForTheme (vintageTheme));

    juce::Component child;
    component.addAndMakeVisible (child);
    EXPECT_TRUE (paletteFor (child) == paletteForTheme (vintageTheme)); // inherited
    component.setLookAndFeel (nullptr);
}

TEST (Look, SwitchingThemesSetsAndRestoresEveryColourId)
{
    Look look;
    const auto light = colourIdValues (look);
    EXPECT_EQ (look.findColour (juce::PopupMenu::highlightedBackgroundColourId), paletteForTheme (0).accent);
    EXPECT_EQ (look.findColour (juce::ScrollBar::thumbColourId), paletteForTheme (0).rule.darker (0.2f));

    look.setTheme (darkTheme);
    EXPECT_EQ (look.themeIndex, darkTheme);
    EXPECT_EQ (look.findColour (juce::TooltipWindow::outlineColourId), paletteForTheme (1).accent2);
    EXPECT_NE (colourIdValues (look), light);

    look.setTheme (lightTheme);
    EXPECT_EQ (colourIdValues (look), light);
}

TEST (Look, PaperTextureIsTheSameInEveryInstance)
{
    Look a, b;
    ASSERT_EQ (a.paperTexture.getWidth(), 256);
    ASSERT_EQ (a.paperTexture.getHeight(), 256);

    int differing = 0, visible = 0;

    for (int y = 0; y < 256; y += 3)
        for (int x = 0; x < 256; x += 3)
        {
            const auto pa = a.paperTexture.getPixelAt (x, y);
            differing += pa != b.paperTexture.getPixelAt (x, y) ? 1 : 0;
            visible += pa.getAlpha() > 0 ? 1 : 0;
            ASSERT_LE (pa.getAlpha(), 16); // a faint grain, never a visible pattern
        }

    EXPECT_EQ (differing, 0);
    EXPECT_GT (visible, 80 * 80);
}

TEST (Captions, DrawInTheirColourInsideTheirRectangle)
{
    EXPECT_FLOAT_EQ (captionFont (11.0f).getHeight(), 13.2f);
    EXPECT_TRUE (captionFont (12.0f, juce::Font::bold).isBold());

    juce::Image image (juce::Image::ARGB, 200, 40, true);
    {
        juce::Graphics g (image);
        drawCaption (g, "PIANO ROLL", { 10, 5, 120, 30 }, 11.0f, juce::Colours::red);
    }

    int inside = 0, outside = 0;

    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
        {
            const auto p = image.getPixelAt (x, y);

            if (p.getAlpha() > 128 && p.getRed() > 200 && p.getGreen() < 60)
                (juce::Rectangle<int> (10, 5, 120, 30).contains (x, y) ? inside : outside)++;
        }

    EXPECT_GT (inside, 20);
    EXPECT_EQ (outside, 0);
}
