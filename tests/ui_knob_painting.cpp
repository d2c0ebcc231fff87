#include "tests/helpers/KnobHarness.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;
using paperstyle::paletteForTheme;

namespace
{
// The summed opacity of the pixels between two distances from a point.
double alphaInRing (const juce::Image& image, juce::Point<float> centre, float inner, float outer)
{
    double sum = 0.0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto distance = centre.getDistanceFrom ({ (float) x + 0.5f, (float) y + 0.5f });

            if (distance >= inner && distance <= outer)
                sum += image.getPixelAt (x, y).getAlpha();
        }

    return sum;
}

// The pixel around a point that differs most from a colour.
juce::Point<int> strongestAround (const juce::Image& image, juce::Point<float> point, juce::Colour colour)
{
    juce::Point<int> strongest { (int) point.x, (int) point.y };

    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
        {
            const juce::Point<int> p { (int) point.x + dx, (int) point.y + dy };

            if (channelDistance (image.getPixelAt (p.x, p.y), colour)
                > channelDistance (image.getPixelAt (strongest.x, strongest.y), colour))
                strongest = p;
        }

    return strongest;
}

juce::Image paintOnTransparent (KnobHarness& h)
{
    juce::Image image (juce::Image::ARGB, KnobHarness::width, KnobHarness::height, true);
    juce::Graphics g (image);
    h.knob.paintEntireComponent (g, false);
    return image;
}
} // namespace

TEST (KnobPainting, WithoutRoutesItDrawsNoRingAndNoLiveMarker)
{
    KnobHarness h;
    h.setValue (40.0f);
    h.processor.liveValue[destination::pressure] = 75.0f;
    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_EQ (h.knob.livePosition, -1.0f);

    // A plain slider of the same look and value is the knob without any of its extras.
    juce::Slider plain (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::TextBoxBelow);
    plain.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
    juce::SliderParameterAttachment plainAttachment (*h.processor.parameterTree().getParameter ("pressure"), plain);
    plain.setBounds (h.knob.getBounds());
    h.window.addAndMakeVisible (plain);

    juce::Image expected (juce::Image::ARGB, KnobHarness::width, KnobHarness::height, true);
    {
        juce::Graphics g (expected);
        g.fillAll (h.look.palette.paper);
        plain.paintEntireComponent (g, false);
    }

    EXPECT_EQ (differingPixels (h.paint(), expected), 0);

    for (const auto& area : h.knob.ringHitArea)
        EXPECT_TRUE (area.isEmpty());
}

TEST (KnobPainting, ARingShowsPastTheSmallestDepthAndWhileDraggedAtZero)
{
    KnobHarness h;
    h.knob.routeParameter = nullptr; // depths as the owner's refresh left them
    h.setValue (50.0f);
    const auto accent = h.look.palette.accent;
    const auto onRing = h.onRing (0, 0.6f);

    for (const auto depth : { 0.004f, -0.004f, 0.0f })
    {
        h.knob.routeDepth[0] = depth;
        const auto image = h.paint();
        EXPECT_TRUE (h.knob.ringHitArea[0].isEmpty()) << depth;
        EXPECT_GT (nearestDistance (image, onRing, accent), 120) << depth;
    }

    for (const auto depth : { 0.006f, -0.006f, 30.0f })
    {
        h.knob.routeDepth[0] = depth;
        h.paint();
        EXPECT_FALSE (h.knob.ringHitArea[0].isEmpty()) << depth;
    }

    // Through the parameters: a route at 30 draws its arc, back at 0 it is gone ...
    KnobHarness routed;
    routed.setValue (50.0f);
    routed.setRoute (0, 30.0f);
    EXPECT_LT (nearestDistance (routed.paint(), routed.onRing (0, 0.6f), accent), 50);
    routed.setRoute (0, 0.0f);
    EXPECT_GT (nearestDistance (routed.paint(), routed.onRing (0, 0.6f), accent), 120);
    EXPECT_TRUE (routed.knob.ringHitArea[0].isEmpty());

    // ... unless it is being dragged, when its faint full-range track stays to be grabbed.
    routed.setRoute (0, 30.0f);
    routed.paint();
    routed.press (routed.onRing (0, 0.6f));
    routed.drag (routed.onRing (0, 0.6f).translated (0.0f, 60.0f));
    EXPECT_EQ (routed.routeValue (0), 0.0f);
    routed.paint();
    EXPECT_FALSE (routed.knob.ringHitArea[0].isEmpty());
    routed.release (routed.onRing (0, 0.6f).translated (0.0f, 60.0f));
    routed.paint();
    EXPECT_TRUE (routed.knob.ringHitArea[0].isEmpty());
}

TEST (KnobPainting, TheRingArcIsClippedToTheRangeAndTheHandleFollowsTheSign)
{
    KnobHarness h;
    const auto accent = h.look.palette.accent;

    // At the maximum with depth 50 the arc covers the upper half of the range only.
    h.setValue (100.0f);
    h.setRoute (0, 50.0f);
    auto image = h.paint();

    for (const auto p : { 0.55f, 0.7f, 0.85f, 0.97f })
        EXPECT_LT (nearestDistance (image, h.onRing (0, p), accent), 50) << p;

    for (const auto p : { 0.05f, 0.2f, 0.35f, 0.45f })
        EXPECT_GT (nearestDistance (image, h.onRing (0, p), accent), 120) << p;

    EXPECT_LT (h.knob.ringHandle[0].getDistanceFrom (h.onRing (0, 1.0f)), 0.01f);

    // A negative depth puts the handle at the lower end of the same span.
    h.setValue (50.0f);
    h.setRoute (1, 25.0f);
    h.setRoute (2, -25.0f);
    image = h.paint();
    EXPECT_LT (h.knob.ringHandle[1].getDistanceFrom (h.onRing (1, 0.75f)), 0.01f);
    EXPECT_LT (h.knob.ringHandle[2].getDistanceFrom (h.onRing (2, 0.25f)), 0.01f);
    EXPECT_LT (nearestDistance (image, h.onRing (2, 0.4f), h.look.palette.muted), 50);
    EXPECT_LT (nearestDistance (image, h.onRing (1, 0.63f), h.look.palette.accent2), 50);
}

TEST (KnobPainting, ABipolarKnobFillsItsValueArcFromTheCentre)
{
    KnobHarness h (paperstyle::lightTheme, destination::transpose);
    const auto accent = h.look.palette.accent;
    const auto arc = h.radius() - 1.0f;

    h.setValue (-12.0f);
    const auto image = h.paint();
    EXPECT_LT (nearestDistance (image, h.onDial (arc, 0.35f), accent), 60);
    EXPECT_GT (nearestDistance (image, h.onDial (arc, 0.15f), accent), 120);
    EXPECT_GT (nearestDistance (image, h.onDial (arc, 0.65f), accent), 120);
}

TEST (KnobPainting, TheFaceIsSurfaceInDarkAndPaperTowardSurfaceOtherwise)
{
    for (const auto theme : { paperstyle::lightTheme, paperstyle::darkTheme, paperstyle::vintageTheme })
    {
        KnobHarness h (theme);
        h.setValue (0.0f); // the pointer points down-left, away from the sample
        const auto palette = paletteForTheme (theme);
        const auto face = theme == paperstyle::darkTheme ? palette.surface
                                                         : palette.paper.interpolatedWith (palette.surface, 0.7f);
        const auto body = 0.76f * h.radius();
        const auto sample = h.centre().translated (0.35f * body, -0.3f * body);
        EXPECT_LE (nearestDistance (h.paint(), sample, face), 4) << theme;
    }
}

TEST (KnobPainting, ADisabledKnobDrawsScaleAndPointerAt36PercentOpacity)
{
    KnobHarness h;
    h.setValue (30.0f);
    const auto r = h.radius();
    const auto enabled = paintOnTransparent (h);
    h.knob.setEnabled (false);
    const auto disabled = paintOnTransparent (h);

    const auto scale = alphaInRing (disabled, h.centre(), r + 7.5f, r + 11.5f)
                     / alphaInRing (enabled, h.centre(), r + 7.5f, r + 11.5f);
    EXPECT_NEAR (scale, 0.36, 0.02);

    // On its face, the pointer stands out from the face colour by 36 % as much.
    h.knob.setEnabled (true);
    const auto face = h.look.palette.paper.interpolatedWith (h.look.palette.surface, 0.7f);
    const auto bright = h.paint();
    const auto onPointer = strongestAround (bright, h.onDial (0.4f * r, 0.3f), face);
    const auto full = channelDistance (bright.getPixelAt (onPointer.x, onPointer.y), face);
    h.knob.setEnabled (false);
    const auto faded = channelDistance (h.paint().getPixelAt (onPointer.x, onPointer.y), face);
    EXPECT_GT (full, 100);
    EXPECT_NEAR ((double) faded / full, 0.36, 0.05);

    // Its modulation rings fade with it.
    h.setRoute (0, 50.0f);
    h.knob.setEnabled (true);
    const auto ringed = paintOnTransparent (h);
    h.knob.setEnabled (false);
    const auto ringFade = alphaInRing (paintOnTransparent (h), h.centre(), r + 2.5f, r + 5.5f)
                        / alphaInRing (ringed, h.centre(), r + 2.5f, r + 5.5f);
    EXPECT_NEAR (ringFade, 0.36, 0.03);
}

TEST (KnobPainting, APrimaryKnobMayGrowToALargerDial)
{
    KnobHarness h;
    h.knob.setBounds (10, 10, 240, 240);
    h.setRoute (0, 50.0f);
    h.paint();
    const auto small = h.knob.ringHitArea[0].getBounds().getWidth();

    h.knob.getProperties().set ("primary", true);
    h.paint();
    const auto large = h.knob.ringHitArea[0].getBounds().getWidth();

    // Rings sit at R + 4 and are 4.8 wide: a dial of 48, or of what the space allows under 76.
    EXPECT_NEAR (small, 2.0f * (48.0f + 4.0f + 2.4f), 1.0f);
    const auto bounds = h.knob.getLookAndFeel().getSliderLayout (h.knob).sliderBounds;
    const auto room = (float) std::min (bounds.getWidth(), bounds.getHeight()) * 0.5f - 17.0f;
    EXPECT_NEAR (large, 2.0f * (std::min (room, 76.0f) + 4.0f + 2.4f), 1.0f);
    EXPECT_GT (large, small + 20.0f);
}

TEST (KnobPainting, FocusHaloLiveMarkerAndDropRing)
{
    KnobHarness h;
    h.setValue (20.0f);
    const auto palette = h.look.palette;
    const auto r = h.radius();
    const auto before = h.paint();
    EXPECT_GT (nearestDistance (before, h.onDial (r + 3.0f, 0.5f), palette.accent), 180);

    h.knob.grabKeyboardFocus();
    ASSERT_TRUE (h.knob.hasKeyboardFocus (false));
    EXPECT_LT (nearestDistance (h.paint(), h.onDial (r + 3.0f, 0.5f), palette.accent), 130);
    h.knob.giveAwayKeyboardFocus();
    EXPECT_EQ (differingPixels (h.paint(), before), 0);

    h.setRoute (1, 10.0f);
    h.processor.liveValue[destination::pressure] = 70.0f;
    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_NEAR (h.knob.livePosition, 0.7f, 1.0e-5f);
    EXPECT_LT (nearestDistance (h.paint(), h.onDial (r + 6.0f, 0.7f), palette.accent), 40);

    h.knob.dropHighlight = true;
    EXPECT_LT (nearestDistance (h.paint(), h.onDial (r + 6.0f, 0.125f), palette.accent2), 40);
}
