#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/TestProcessor.h"
#include "ui/canvas/VibratoPanel.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
using Panel = ZelkCanvas::VibratoPanel;

class VibratoPanelTest : public testing::Test
{
protected:
    // A note without vibrato, active, with its panel open.
    Panel& openOn (int slot, float start, float duration, int key)
    {
        h.putNote (slot, start, duration, key);
        h.canvas.activeNote = slot;
        h.canvas.toggleVibratoPanel();
        return *h.canvas.vibratoPanel();
    }

    // The value box under the slider, as the user types into it and presses return.
    static void type (juce::Slider& slider, const juce::String& text)
    {
        for (auto* child : slider.getChildren())
            if (auto* box = dynamic_cast<juce::Label*> (child))
                return box->setText (text, juce::sendNotificationSync);

        FAIL() << "no value box";
    }

    // Drags a slider's thumb from one value to another with the pointer.
    static void dragSlider (juce::Slider& slider, double from, double to)
    {
        const auto layout = slider.getLookAndFeel().getSliderLayout (slider);
        const auto track = layout.sliderBounds.toFloat();
        const auto xOf = [&] (double value)
        { return track.getX() + (float) slider.valueToProportionOfLength (value) * track.getWidth(); };
        const juce::Point<float> start (xOf (from), track.getCentreY());

        slider.mouseDown (pointerEvent (slider, start, leftButton(), 1, false, start));
        slider.mouseDrag (
            pointerEvent (slider, { (xOf (from) + xOf (to)) / 2.0f, start.y }, leftButton(), 1, true, start));
        slider.mouseDrag (pointerEvent (slider, { xOf (to), start.y }, leftButton(), 1, true, start));
        slider.mouseUp (pointerEvent (slider, { xOf (to), start.y }, leftButton(), 1, true, start));
    }

    Note note (int slot) const { return h.processor.readNote (slot); }

    CanvasHarness h;
};
} // namespace

TEST_F (VibratoPanelTest, VSwitchesVibratoOnOnceThenShowsAndHidesThePanel)
{
    h.putNote (0, 2.0f, 4.0f, 60);
    h.canvas.toggleVibratoPanel();
    EXPECT_EQ (h.canvas.hint, "Select a note, then V for vibrato");
    EXPECT_EQ (h.canvas.vibratoPanel(), nullptr);
    EXPECT_EQ (h.undoSteps(), 0);

    h.canvas.activeNote = 0;
    h.canvas.toggleVibratoPanel();
    EXPECT_TRUE (note (0).vibOn);
    EXPECT_FLOAT_EQ (note (0).vibDepth, 0.35f); // the stored values, untouched
    EXPECT_FLOAT_EQ (note (0).vibCycles, 3.0f);
    EXPECT_EQ (h.undoSteps(), 1);
    auto* panel = h.canvas.vibratoPanel();
    ASSERT_NE (panel, nullptr);
    EXPECT_TRUE (panel->isVisible());
    EXPECT_EQ (panel->getParentComponent(), &h.canvas);
    EXPECT_EQ (panel->getComponentID(), "inline-vibrato");
    EXPECT_NEAR (panel->slider (Panel::depth).getValue(), 0.35, 1.0e-6);
    EXPECT_DOUBLE_EQ (panel->slider (Panel::cycles).getValue(), 3.0);
    EXPECT_NEAR (panel->slider (Panel::fade).getValue(), 20.0, 1.0e-4);
    EXPECT_DOUBLE_EQ (panel->slider (Panel::end).getValue(), 100.0);

    const auto before = stateXml (h.processor);
    h.canvas.toggleVibratoPanel();
    EXPECT_FALSE (panel->isVisible());
    EXPECT_TRUE (note (0).vibOn);
    h.canvas.toggleVibratoPanel();
    EXPECT_TRUE (panel->isVisible());
    EXPECT_EQ (stateXml (h.processor), before);
    EXPECT_EQ (h.undoSteps(), 1);
    EXPECT_EQ (h.canvas.vibratoPanel(), panel); // hidden between showings, never rebuilt
}

TEST_F (VibratoPanelTest, TheSlidersAreTheOnesTheUserExpects)
{
    auto& panel = openOn (0, 2.0f, 4.0f, 60);
    const char* const ids[] = { "start", "end", "depth", "cycles", "fade" };
    const double ranges[][2] = { { 0, 100 }, { 0, 100 }, { 0, 12 }, { 0.125, 64 }, { 0, 50 } };

    for (int control = 0; control < Panel::controlCount; ++control)
    {
        auto& slider = panel.slider (control);
        EXPECT_EQ (slider.getComponentID(), juce::String ("inline-vibrato-") + ids[control]);
        EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearHorizontal);
        EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::TextBoxBelow);
        EXPECT_TRUE (slider.isTextBoxEditable());
        EXPECT_DOUBLE_EQ (slider.getMinimum(), ranges[control][0]);
        EXPECT_DOUBLE_EQ (slider.getMaximum(), ranges[control][1]);
        EXPECT_TRUE (slider.getTooltip().isNotEmpty());
    }

    // Small depths and cycle counts get half the track.
    EXPECT_NEAR (panel.slider (Panel::depth).proportionOfLengthToValue (0.5), 1.0, 1.0e-9);
    EXPECT_NEAR (panel.slider (Panel::cycles).proportionOfLengthToValue (0.5), 8.0, 1.0e-9);
    EXPECT_NEAR (panel.slider (Panel::start).proportionOfLengthToValue (0.5), 50.0, 1.0e-9);
    EXPECT_EQ (panel.slider (Panel::depth).getTooltip(), "Depth in semitones; leaves the base pitch curve intact");
    EXPECT_EQ (panel.offButton().getComponentID(), "inline-vibrato-off");
    EXPECT_EQ (panel.offButton().getButtonText(), "OFF");

    // Five columns and OFF at the right.
    const auto c = (panel.getWidth() - 66) / 5;
    EXPECT_EQ (panel.slider (Panel::cycles).getBounds(), juce::Rectangle<int> (c * 3 + 8, 28, c - 8, 47));
    EXPECT_EQ (panel.offButton().getBounds(), juce::Rectangle<int> (panel.getWidth() - 60, 37, 52, 26));
}

TEST_F (VibratoPanelTest, StartAndEndKeepTheSpanOpenAndFadeStopsAtHalf)
{
    auto& panel = openOn (0, 2.0f, 4.0f, 60);
    h.processor.setParameterValue ("note1_vibEnd", 0.5f);
    h.canvas.refresh();

    type (panel.slider (Panel::start), "80");
    EXPECT_NEAR (note (0).vibStart, 0.499f, 1.0e-6);

    h.processor.setParameterValue ("note1_vibStart", 0.3f);
    h.processor.setParameterValue ("note1_vibEnd", 1.0f);
    h.canvas.refresh();
    type (panel.slider (Panel::end), "10");
    EXPECT_NEAR (note (0).vibEnd, 0.301f, 1.0e-6);

    type (panel.slider (Panel::fade), "80");
    EXPECT_FLOAT_EQ (note (0).vibFade, 0.5f);

    // Every typed value was its own step.
    EXPECT_EQ (h.undoSteps(), 4);

    // The next refresh shows the values as they were stored.
    h.canvas.refresh();
    EXPECT_NEAR (panel.slider (Panel::end).getValue(), 30.1, 1.0e-4);
}

TEST_F (VibratoPanelTest, ADragIsOneUndoStepAndSoIsATypedValue)
{
    auto& panel = openOn (0, 2.0f, 4.0f, 60);
    h.processor.setParameterValue ("note1_vibDepth", 0.2f);
    h.canvas.refresh();
    const auto steps = h.undoSteps();

    dragSlider (panel.slider (Panel::depth), 0.2, 3.0);
    EXPECT_NEAR (note (0).vibDepth, 3.0f, 0.05f);
    EXPECT_EQ (h.undoSteps(), steps + 1);
    EXPECT_FALSE (panel.dragging);

    type (panel.slider (Panel::depth), "5");
    EXPECT_FLOAT_EQ (note (0).vibDepth, 5.0f);
    EXPECT_EQ (h.undoSteps(), steps + 2);

    // A change without any drag notification still records its own step.
    panel.slider (Panel::cycles).setValue (6.5, juce::sendNotificationSync);
    EXPECT_FLOAT_EQ (note (0).vibCycles, 6.5f);
    EXPECT_EQ (h.undoSteps(), steps + 3);

    h.undo();
    EXPECT_FLOAT_EQ (note (0).vibCycles, 3.0f);
    EXPECT_FLOAT_EQ (note (0).vibDepth, 5.0f);
}

TEST_F (VibratoPanelTest, ThePanelFloatsAboveTheNoteInsideTheGrid)
{
    const auto grid = h.canvas.gridArea();
    auto& panel = openOn (0, 4.0f, 4.0f, 60);

    EXPECT_EQ (panel.getWidth(), 610);
    EXPECT_EQ (panel.getHeight(), 80);
    EXPECT_EQ (panel.getX(), (int) h.canvas.beatToX (4.0));
    EXPECT_EQ (panel.getY(), (int) h.canvas.pitchToY (h.canvas.displayPitchAt (note (0), 0.5)) - 106);

    // At the left of the view and near its top.
    h.canvas.viewStart = 6.0;
    h.processor.setParameterValue ("note1_pitch", 70.0f);
    h.canvas.refresh();
    EXPECT_EQ (panel.getX(), (int) grid.getX() + 5);
    EXPECT_EQ (panel.getY(), (int) grid.getY() + 4);

    // Far right and near the bottom: the right edge and 84 pixels above the grid's bottom.
    h.canvas.viewStart = 0.0;
    h.processor.setParameterValue ("note1_start", 15.5f);
    h.processor.setParameterValue ("note1_pitch", 10.0f); // below the view
    h.canvas.refresh();
    EXPECT_EQ (panel.getRight(), (int) grid.getRight() - 5);
    EXPECT_EQ (panel.getY(), (int) grid.getBottom() - 84);

    // A narrow canvas narrows the panel.
    h.canvas.setSize (500, 400);
    h.canvas.refresh();
    EXPECT_EQ (panel.getWidth(), (int) h.canvas.gridArea().getWidth() - 12);
}

TEST_F (VibratoPanelTest, OffSilencesTheVibratoAndTheNoteKeepsItsValues)
{
    auto& panel = openOn (0, 2.0f, 4.0f, 60);
    h.processor.setParameterValue ("note1_vibDepth", 1.5f);
    const auto steps = h.undoSteps();

    panel.offButton().triggerClick();
    runMessageLoop (20); // the click arrives asynchronously

    EXPECT_FALSE (note (0).vibOn);
    EXPECT_FLOAT_EQ (note (0).vibDepth, 1.5f);
    EXPECT_FALSE (panel.isVisible());
    EXPECT_FALSE (h.canvas.panelOpen);
    EXPECT_EQ (h.undoSteps(), steps + 1);

    // V brings it back with the same values.
    h.canvas.toggleVibratoPanel();
    EXPECT_TRUE (note (0).vibOn);
    EXPECT_TRUE (panel.isVisible());
    EXPECT_DOUBLE_EQ (panel.slider (Panel::depth).getValue(), 1.5);
}

TEST_F (VibratoPanelTest, ThePanelFollowsTheActiveNote)
{
    auto& panel = openOn (0, 2.0f, 4.0f, 60);
    h.putNote (1, 7.0f, 2.0f, 64);

    // Selecting a note without vibrato hides it; one with vibrato shows that note's values.
    h.stroke ({ h.onLine (1, 0.5) }, leftButton (juce::ModifierKeys::ctrlModifier));
    EXPECT_EQ (h.canvas.activeNote, 1);
    EXPECT_FALSE (panel.isVisible());

    h.processor.setParameterValue ("note2_vibOn", 1.0f);
    h.processor.setParameterValue ("note2_vibCycles", 12.0f);
    h.canvas.refresh();
    EXPECT_TRUE (panel.isVisible());
    EXPECT_DOUBLE_EQ (panel.slider (Panel::cycles).getValue(), 12.0);
    EXPECT_EQ (panel.getX(), (int) h.canvas.beatToX (7.0));

    // A deleted note takes its panel with it, and the painting hides it too.
    h.processor.setParameterValue ("note2_on", 0.0f);
    h.paint();
    EXPECT_FALSE (panel.isVisible());
}
