#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/HeadlessWindow.h"
#include "ui/style/Captions.h"
#include "ui/style/Knob.h"
#include "ui/style/Look.h"
#include "ui/style/ThemeSwatch.h"
#include "ui/style/ZelkButton.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zelk;
using namespace zelk::test;
using namespace paperstyle;

namespace
{
juce::Image paintOnPaper (juce::Component& component, const Look& look)
{
    juce::Image image (juce::Image::ARGB, component.getWidth(), component.getHeight(), true);
    juce::Graphics g (image);
    g.fillAll (look.palette.paper);
    component.paintEntireComponent (g, false);
    return image;
}

// A depth slider as the route grid makes them.
void makeDepthSlider (juce::Slider& slider, int source, double depth)
{
    slider.setSliderStyle (juce::Slider::LinearHorizontal);
    slider.setTextBoxStyle (juce::Slider::TextBoxRight, false, 42, 22);
    slider.setRange (-100.0, 100.0, 0.01);
    slider.setNumDecimalPlacesToDisplay (1);
    slider.setValue (depth, juce::dontSendNotification);
    slider.setSize (87, 29);

    if (source >= 0)
        slider.getProperties().set ("sourceIndex", source);
}

float trackY (juce::Slider& slider)
{
    return slider.getLookAndFeel().getSliderLayout (slider).sliderBounds.toFloat().getCentreY();
}

const char* themeName (int theme)
{
    return theme == darkTheme ? "dark" : theme == vintageTheme ? "vintage" : "light";
}
} // namespace

TEST (DepthSliders, DrawFromTheMiddleInTheColourOfTheirLfo)
{
    Look look;
    look.setTheme (darkTheme);
    const auto palette = look.palette;

    // -1 is a slider without the property; 7 is clamped to the last LFO.
    const std::vector<std::pair<int, juce::Colour>> sources { { 0, palette.accent }, { 1, palette.accent2 },
                                                              { 2, palette.muted },  { 7, palette.muted },
                                                              { -1, palette.accent } };

    for (const auto& [source, colour] : sources)
    {
        juce::Slider slider;
        slider.setLookAndFeel (&look);
        makeDepthSlider (slider, source, 60.0);
        const auto image = paintOnPaper (slider, look);
        const auto y = trackY (slider);
        const auto middle = slider.getPositionOfValue (0.0);
        const auto thumb = slider.getPositionOfValue (60.0);

        EXPECT_LE (channelDistance (image.getPixelAt ((int) ((middle + thumb) * 0.5f), (int) y), colour), 8) << source;
        EXPECT_LE (channelDistance (image.getPixelAt ((int) thumb, (int) y - 2), colour), 30) << "the thumb dot";

        // Below the middle only the faint full-length line.
        const auto below = image.getPixelAt ((int) slider.getPositionOfValue (-50.0), (int) y);
        EXPECT_LE (channelDistance (below, palette.paper.interpolatedWith (palette.ink, 0.18f)), 8);
        slider.setLookAndFeel (nullptr);
    }
}

TEST (ValueBoxes, UseConsolasAtFourteenPixels)
{
    Look look;
    juce::Slider slider;
    std::unique_ptr<juce::Label> box (look.createSliderTextBox (slider));
    EXPECT_EQ (box->getFont().getTypefaceName(), "Consolas");
    EXPECT_FLOAT_EQ (box->getFont().getHeight(), 14.0f);
}

TEST (Buttons, AToggledButtonIsUnderlinedInAccent)
{
    Look look;
    ZelkButton button ("SYNC");
    button.setLookAndFeel (&look);
    button.setSize (126, 35);
    button.setTooltip ("Use host tempo.");
    EXPECT_EQ (button.getTooltip(), "Use host tempo.");
    EXPECT_EQ (button.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::PointingHandCursor));

    // The underline is 1.5 pixels high, 2 above the bottom of the box (3 down, 6 shorter).
    const auto underline = juce::Point<int> (20, 3 + 29 - 2);
    const auto underlineColour = [&] { return paintOnPaper (button, look).getPixelAt (underline.x, underline.y); };
    EXPECT_GT (channelDistance (underlineColour(), look.palette.accent), 100);

    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_LE (channelDistance (underlineColour(), look.palette.accent), 12);

    // Hovering an untoggled button fills its box more strongly.
    look.setTheme (darkTheme);
    button.setToggleState (false, juce::dontSendNotification);
    const auto resting = paintOnPaper (button, look).getPixelAt (8, 17);
    button.hoverAmount = 1.0f;
    const auto hovered = paintOnPaper (button, look).getPixelAt (8, 17);
    EXPECT_GT (channelDistance (hovered, look.palette.paper), channelDistance (resting, look.palette.paper));
    button.setLookAndFeel (nullptr);
}

TEST (ThemeSwatches, ShowTheirOwnPaperAndMarkTheCurrentTheme)
{
    Look look; // Light
    ThemeSwatch swatch ("DARK", darkTheme);
    swatch.setLookAndFeel (&look);
    swatch.setSize (100, 26);
    EXPECT_EQ (swatch.getTooltip(), "Appearance: DARK (saved per instance)");

    const auto dark = paletteForTheme (darkTheme);
    auto image = paintOnPaper (swatch, look);
    EXPECT_LE (channelDistance (image.getPixelAt (10, 13), dark.paper), 2);
    EXPECT_GT (channelDistance (image.getPixelAt (10, 6), look.palette.ink), 60);

    swatch.setToggleState (true, juce::dontSendNotification);
    image = paintOnPaper (swatch, look);
    EXPECT_LE (channelDistance (image.getPixelAt (10, 13), dark.ink), 2);
    EXPECT_LT (channelDistance (image.getPixelAt (10, 6), look.palette.ink), 60);
    swatch.setLookAndFeel (nullptr);
}

namespace
{
struct KnobVariant
{
    const char* name;
    double minimum, maximum, value;
    std::array<float, 3> depths;
    std::function<void (Knob&)> setUp;
};

// One theme's row of controls: every look a knob can have, then the depth sliders, buttons and swatches.
void paintThemeSheet (juce::Graphics& g, int theme, int top)
{
    Look look;
    look.setTheme (theme);
    HeadlessWindow window;
    window.setLookAndFeel (&look);
    window.setSize (1240, 250);

    const std::vector<KnobVariant> variants {
        { "plain", 0, 100, 60, { 0, 0, 0 }, nullptr },
        { "one ring", 0, 100, 40, { 30, 0, 0 }, nullptr },
        { "bipolar, two", -24, 24, 7, { -20, 35, 0 }, nullptr },
        { "three, ring 2 hovered", 0, 200, 120, { 25, -15, 40 },
          [] (Knob& k)
          {
              k.hoverRing = 1;
              k.livePosition = 0.7f;
          } },
        { "hovered", 0, 50, 5, { 0, 0, 0 }, [] (Knob& k) { k.hoverAmount = 1.0f; } },
        { "focused", 0, 100, 80, { 0, 20, 0 }, nullptr },
        { "disabled", 0, 100, 50, { 30, 0, 0 }, [] (Knob& k) { k.setEnabled (false); } },
        { "drop target", 0, 100, 25, { 0, 0, 0 }, [] (Knob& k) { k.dropHighlight = true; } },
    };

    std::vector<std::unique_ptr<Knob>> knobs;

    for (size_t i = 0; i < variants.size(); ++i)
    {
        const auto& variant = variants[i];
        auto knob = std::make_unique<Knob>();
        knob->setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
        knob->setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
        knob->setRange (variant.minimum, variant.maximum, 1.0);
        knob->setValue (variant.value, juce::dontSendNotification);
        knob->setWantsKeyboardFocus (true);
        knob->routeDepth = variant.depths;
        knob->setBounds (10 + 152 * (int) i, 24, 150, 176);
        window.addAndMakeVisible (*knob);

        if (variant.setUp)
            variant.setUp (*knob);

        knobs.push_back (std::move (knob));
    }

    knobs[5]->grabKeyboardFocus();

    std::array<juce::Slider, 3> depthSliders;
    const std::array<double, 3> depths { 50.0, -35.0, 80.0 };

    for (int source = 0; source < 3; ++source)
    {
        makeDepthSlider (depthSliders[(size_t) source], source, depths[(size_t) source]);
        depthSliders[(size_t) source].setTopLeftPosition (10 + 92 * source, 210);
        window.addAndMakeVisible (depthSliders[(size_t) source]);
    }

    ZelkButton play ("PLAY"), stop ("STOP"), sync ("SYNC");
    play.setToggleState (true, juce::dontSendNotification);
    sync.hoverAmount = 1.0f;
    int x = 300;
    for (auto* button : { &play, &stop, &sync })
    {
        button->setBounds (x, 207, 100, 35);
        window.addAndMakeVisible (*button);
        x += 106;
    }

    std::array<std::unique_ptr<ThemeSwatch>, 3> swatches { std::make_unique<ThemeSwatch> ("LIGHT", 0),
                                                           std::make_unique<ThemeSwatch> ("DARK", 1),
                                                           std::make_unique<ThemeSwatch> ("VINTAGE", 2) };
    for (int i = 0; i < 3; ++i)
    {
        swatches[(size_t) i]->setToggleState (i == theme, juce::dontSendNotification);
        swatches[(size_t) i]->setBounds (640 + 100 * i, 210, 96, 26);
        window.addAndMakeVisible (*swatches[(size_t) i]);
    }

    juce::Graphics::ScopedSaveState saved (g);
    g.setOrigin (0, top);
    g.reduceClipRegion (0, 0, window.getWidth(), window.getHeight());
    g.fillAll (look.palette.paper);
    g.setTiledImageFill (look.paperTexture, 0, 0, 0.4f);
    g.fillAll();

    for (size_t i = 0; i < variants.size(); ++i)
        drawCaption (g, juce::String (themeName (theme)) + ": " + variants[i].name, { 14 + 152 * (int) i, 4, 146, 18 },
                     8.0f, look.palette.muted);

    window.paintEntireComponent (g, false);
    window.setLookAndFeel (nullptr);
}
} // namespace

TEST (ControlSnapshots, EveryLookOfEveryControlInEachTheme)
{
    const auto folder = juce::File (ZELK_SNAPSHOT_DIR);
    ASSERT_TRUE (folder.createDirectory());

    juce::Image sheet (juce::Image::ARGB, 1240, 750, true);
    {
        juce::Graphics g (sheet);
        for (int theme = 0; theme < 3; ++theme)
            paintThemeSheet (g, theme, 250 * theme);
    }

    const auto file = folder.getChildFile ("controls.png");
    file.deleteFile();
    {
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk()) << file.getFullPathName();
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (sheet, out));
    }

    const auto read = juce::ImageFileFormat::loadFrom (file);
    EXPECT_EQ (read.getWidth(), 1240);
    EXPECT_EQ (read.getHeight(), 750);
}
