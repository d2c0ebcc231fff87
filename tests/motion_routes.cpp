#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/MotionHarness.h"
#include "tests/helpers/TestProcessor.h"

#include "core/ParameterLayout.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
const juce::String connectedHint = ". Drag the coloured ring to adjust depth; double-click the ring to clear.";

juce::var badge (int lfo) { return motionui::Source::dragDescription (lfo); }

int viewTop (motionui::Panel& panel) { return panel.routes().getViewPositionY(); }

int routesSet (ZelkProcessor& processor)
{
    auto count = 0;

    for (int n = 0; n < lfoCount; ++n)
        for (int d = 0; d < destinationCount; ++d)
            if (valueOf (processor, routeParameterId (n, d)) != 0.0f)
                ++count;

    return count;
}
} // namespace

TEST (MotionRouting, ABadgeOnAControlsKnobConnectsAtAQuarterAndShowsItsRow)
{
    EditorHarness editor;
    auto& panel = editor->motion();
    editor->showTab (controlsPage);

    EXPECT_TRUE (dropOn (editor->controlKnob (3), badge (0)));
    EXPECT_EQ (valueOf (editor.processor, "mod1_transpose"), 25.0f);
    EXPECT_EQ (panel.hint, "LFO 1 -> Transpose" + connectedHint);
    EXPECT_EQ (viewTop (panel), 31 * 3 - 91);
    EXPECT_FALSE (editor->controlKnob (3).dropHighlight);

    // The knob draws the new ring from the next tick.
    editor.tick();
    EXPECT_EQ (editor->controlKnob (3).routeDepth[0], 25.0f);
    EXPECT_GE (editor->controlKnob (3).livePosition, 0.0f);

    // An existing depth stays; the hint and the scroll still follow the drop.
    editor.processor.setParameterValue ("mod2_velocity", -40.0f);
    panel.routes().setViewPosition (0, 250);
    EXPECT_TRUE (dropOn (editor->controlKnob (4), badge (1)));
    EXPECT_EQ (valueOf (editor.processor, "mod2_velocity"), -40.0f);
    EXPECT_EQ (panel.hint, "LFO 2 -> Velocity" + connectedHint);
    EXPECT_EQ (viewTop (panel), 31 * 4 - 91);
    EXPECT_EQ (routesSet (editor.processor), 2);
    EXPECT_EQ (editor.openGestures(), 0);
}

TEST (MotionRouting, ABadgeOnAnLfoKnobConnectsThatLfoControlEvenItsOwn)
{
    MotionHarness h;

    // LFO 1 onto LFO 1's own frequency: a self-modulation route.
    EXPECT_TRUE (dropOn (h->knob (0), badge (0)));
    EXPECT_EQ (h.value ("mod1_lfo1_rate"), 25.0f);
    EXPECT_EQ (h->hint, "LFO 1 -> LFO 1 Frequency" + connectedHint);
    EXPECT_EQ (viewTop (*h), 31 * 6 - 91);
    EXPECT_EQ (h->knob (0).routeDepth[0], 25.0f);

    h->selectLfo (1);
    EXPECT_TRUE (dropOn (h->knob (0), badge (2)));
    EXPECT_EQ (h.value ("mod3_lfo2_rate"), 25.0f);
    EXPECT_EQ (viewTop (*h), 31 * 11 - 91);
    EXPECT_EQ (routesSet (h.processor), 2);

    // The grid shows them through its attachments.
    EXPECT_EQ (h->routeGrid().slider (2, destination::ofLfo (1, destination::rate)).getValue(), 25.0);
}

TEST (MotionRouting, TheLastDestinationScrollsNoFurtherThanTheGridGoes)
{
    MotionHarness h;
    auto& viewport = h->routes();
    const auto furthest = h->routeGrid().getHeight() - viewport.getViewHeight();
    ASSERT_EQ (h->routeGrid().getHeight(), 620);
    ASSERT_EQ (furthest, 300);

    h->connectLfo (2, 20);
    EXPECT_EQ (viewTop (*h), furthest);
    EXPECT_EQ (h.value ("mod3_lfo3_level"), 25.0f);
    EXPECT_EQ (h->hint, "LFO 3 -> LFO 3 Level" + connectedHint);

    // The first destinations are at the top.
    h->connectLfo (0, 1);
    EXPECT_EQ (viewTop (*h), 0);
}

TEST (MotionRouting, DropsThatAreNotAnLfoBadgeChangeNothing)
{
    MotionHarness h;
    const auto hintBefore = h->hint;

    for (const auto& description : { juce::var ("tamsel-lfo-3"), juce::var ("tamsel-lfo-"), juce::var ("tamsel-lfo--1"),
                                     juce::var ("tamsel-lfo-1x"), juce::var ("a-file.mid"), juce::var (1),
                                     juce::var() })
        for (int i = 0; i < 5; ++i)
            dropOn (h->knob (i), description);

    // Nor does a connection asked for outside the three LFOs or the 21 destinations.
    h->connectLfo (3, 1);
    h->connectLfo (-1, 1);
    h->connectLfo (0, 21);
    h->connectLfo (0, -1);

    EXPECT_EQ (routesSet (h.processor), 0);
    EXPECT_EQ (h->hint, hintBefore);
    EXPECT_EQ (viewTop (*h), 0);
    EXPECT_TRUE (h.gestures.begun.empty());

    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE (h->knob (i).dropHighlight);
}

TEST (MotionRouting, ClearRoutesRemovesEveryRouteAndNothingElse)
{
    MotionHarness h;
    h.setHost ("mod1_bend", 30.0f); // no row and no knob: only automation reaches it
    h.setHost ("mod2_pressure", -12.5f);
    h.setHost ("mod3_lfo3_level", 100.0f);
    h.setHost ("mod1_lfo2_shape", 0.01f);
    h.setHost ("lfo2_point4", 0.3f);
    h.setHost ("lfo3_sync", 1.0f);
    h.setHost ("lfo1_rate", 7.0f);
    h.setHost ("transpose", 5.0f);
    h.setHost ("lfo1_shape", 5.0f);
    const auto before = [&]
    {
        std::map<juce::String, float> values;

        for (auto* parameter : h.processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);
                ranged != nullptr && ! ranged->getParameterID().startsWith ("mod"))
                values[ranged->getParameterID()] = h.value (ranged->getParameterID());

        return values;
    }();

    h->clearRoutesButton().triggerClick();
    runMessageLoop (10);

    EXPECT_EQ (routesSet (h.processor), 0);
    EXPECT_EQ (h->hint, "All routes cleared. Base values and waveforms are unchanged.");

    for (const auto& [id, value] : before)
        ASSERT_EQ (h.value (id), value) << id;

    // Each route its own completed gesture.
    for (int n = 0; n < lfoCount; ++n)
        for (int d = 0; d < destinationCount; ++d)
            EXPECT_EQ (h.gesturesBegun (routeParameterId (n, d)), 1);

    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_EQ (h->clearRoutesButton().getTooltip(),
               "Remove every modulation route, retaining waveform and LFO settings.");
}

TEST (MotionRouteGrid, SixtySlidersOneForEachLfoAndDestinationWithAControl)
{
    MotionHarness h;
    auto& grid = h->routeGrid();
    EXPECT_EQ (grid.getWidth(), 390);
    EXPECT_EQ (grid.getNumChildComponents(), 60);
    EXPECT_EQ (grid.findChildWithID ("mod1_bend"), nullptr);

    for (int d = 1; d < destinationCount; ++d)
        for (int n = 0; n < lfoCount; ++n)
        {
            auto& slider = grid.slider (n, d);
            EXPECT_EQ (slider.getComponentID(), routeParameterId (n, d));
            EXPECT_EQ (slider.getName(), "LFO " + juce::String (n + 1) + " to " + destinationName (d));
            EXPECT_EQ ((int) slider.getProperties()["sourceIndex"], n);
            EXPECT_EQ (slider.getBounds(), juce::Rectangle<int> (123 + 89 * n, 31 * (d - 1), 87, 29));
            EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearHorizontal);
            EXPECT_EQ (slider.getDoubleClickReturnValue(), 0.0);
            EXPECT_EQ (slider.getTooltip(),
                       "Bipolar depth in percent of the destination range. Double-click to remove this route.");
        }

    EXPECT_EQ (grid.slider (1, 9).getName(), "LFO 2 to LFO 1 Phase");
    EXPECT_EQ (grid.slider (0, 1).getTextFromValue (-33.333), "-33.3");
}

TEST (MotionRouteGrid, ATypedDepthKeepsBothDecimalsAndShowsOne)
{
    MotionHarness h;
    auto& slider = h->routeGrid().slider (1, destination::transpose);
    auto& box = valueBoxOf (slider);
    EXPECT_TRUE (box.isEditableOnSingleClick() || box.isEditableOnDoubleClick());

    // As the text box hands over what the user typed.
    box.setText ("12.34", juce::sendNotificationSync);
    EXPECT_NEAR (h.value ("mod2_transpose"), 12.34f, 1.0e-4f);
    EXPECT_EQ (box.getText(), "12.3");

    box.setText ("-7.26 %", juce::sendNotificationSync);
    EXPECT_NEAR (h.value ("mod2_transpose"), -7.26f, 1.0e-4f);
    EXPECT_EQ (box.getText(), "-7.3");

    box.setText ("250", juce::sendNotificationSync);
    EXPECT_EQ (h.value ("mod2_transpose"), 100.0f);
    EXPECT_EQ (h.openGestures(), 0);
}

TEST (MotionRouteGrid, DoubleClickingASliderRemovesTheRouteAndItsRing)
{
    MotionHarness h;
    h.setHost ("mod2_lfo1_phase", 40.0f);
    h->refresh();
    h.paint();
    ASSERT_FALSE (h->knob (3).ringHitArea[1].isEmpty());

    auto& slider = h->routeGrid().slider (1, destination::ofLfo (0, destination::phase));
    const auto middle = slider.getLocalBounds().getCentre().toFloat().withX (20.0f);
    slider.mouseDown (mouseEventOn (slider, middle, leftButton(), middle));
    slider.mouseUp (mouseEventOn (slider, middle, {}, middle));
    slider.mouseDown (mouseEventOn (slider, middle, leftButton(), middle, 2));
    slider.mouseDoubleClick (mouseEventOn (slider, middle, leftButton(), middle, 2));
    slider.mouseUp (mouseEventOn (slider, middle, {}, middle, 2));

    EXPECT_EQ (h.value ("mod2_lfo1_phase"), 0.0f);
    EXPECT_EQ (h.openGestures(), 0);

    h->refresh();
    h.paint();
    EXPECT_EQ (h->knob (3).routeDepth[1], 0.0f);
    EXPECT_TRUE (h->knob (3).ringHitArea[1].isEmpty());
    EXPECT_EQ (h->knob (3).livePosition, -1.0f);
}

TEST (MotionRouteGrid, RowsAreLabelledInTheirOwnersColours)
{
    MotionHarness h;
    auto& grid = h->routeGrid();
    juce::Image image (juce::Image::ARGB, grid.getWidth(), grid.getHeight(), true);
    {
        juce::Graphics g (image);
        grid.paintEntireComponent (g, false);
    }

    const auto palette = paperstyle::paletteForTheme (paperstyle::lightTheme);
    const auto inkOfRow = [&] (int d, juce::Colour colour)
    {
        auto best = 255;

        for (int y = 31 * (d - 1) + 8; y < 31 * d - 8; ++y)
            for (int x = 8; x < 100; ++x)
                best = std::min (best, channelDistance (image.getPixelAt (x, y), colour));

        return best;
    };

    EXPECT_LT (inkOfRow (destination::transpose, palette.ink), 40);
    EXPECT_LT (inkOfRow (destination::ofLfo (0, destination::rate), palette.accent), 40);
    EXPECT_LT (inkOfRow (destination::ofLfo (1, destination::level), palette.accent2), 40);
    EXPECT_LT (inkOfRow (destination::ofLfo (2, destination::shape), palette.muted), 40);
    EXPECT_GT (inkOfRow (destination::ofLfo (2, destination::shape), palette.accent), 60);

    // Even rows are banded; odd rows are the paper.
    EXPECT_EQ (image.getPixelAt (2, 31 * 0 + 2), palette.paper);
    EXPECT_NE (image.getPixelAt (2, 31 * 1 + 2), palette.paper);
}
