#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/FakePlayHead.h"
#include "tests/helpers/MotionHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
// One audio block, with or without a host transport.
void runBlock (ZelkProcessor& processor, juce::AudioPlayHead* host = nullptr)
{
    processor.setPlayHead (host);
    juce::AudioBuffer<float> audio (2, 256);
    juce::MidiBuffer midi;
    processor.processBlock (audio, midi);
}

// A press on a knob's face and a drag upwards, as the framework delivers them.
void pressAndDragUp (paperstyle::Knob& knob, float pixels)
{
    const auto centre = knob.getLocalBounds().getCentre().toFloat().withY (40.0f);
    knob.mouseDown (mouseEventOn (knob, centre, leftButton(), centre));
    knob.mouseDrag (mouseEventOn (knob, centre.translated (0.0f, -pixels), leftButton(), centre, 1, true));
}
} // namespace

TEST (MotionPanel, KnobsReadInTheirUnitsWithTooltipsAndDefaults)
{
    MotionHarness h;
    const char* names[] { "Frequency", "Length", "Shape", "Phase", "Level" };
    const char* ids[] { "lfo1_rate", "lfo1_stretch", "lfo1_shape", "lfo1_phase", "lfo1_level" };
    const double defaults[] { 1.0, 1.0, 0.0, 0.0, 100.0 };

    for (int i = 0; i < 5; ++i)
    {
        auto& knob = h->knob (i);
        EXPECT_EQ (knob.getName(), names[i]);
        EXPECT_EQ (knob.getComponentID(), ids[i]);
        EXPECT_TRUE (knob.getWantsKeyboardFocus());
        EXPECT_TRUE (knob.isDoubleClickReturnEnabled());
        EXPECT_EQ (knob.getDoubleClickReturnValue(), defaults[i]);
        EXPECT_FALSE (knob.getTooltip().isEmpty());
        EXPECT_EQ (knob.getBounds(), juce::Rectangle<int> (90 * i - 1, 265, 90, 116));
    }

    EXPECT_EQ (h->knob (0).getTextFromValue (1.0), "1.00 Hz");
    EXPECT_EQ (h->knob (1).getTextFromValue (2.0), "2.00 x");
    EXPECT_EQ (h->knob (2).getTextFromValue (2.5), "2.50");
    EXPECT_EQ (h->knob (3).getTextFromValue (89.6), "90 deg");
    EXPECT_EQ (h->knob (4).getTextFromValue (100.0), "100 %");
    EXPECT_EQ (h->knob (1).getTooltip(), "Cycle length multiplier: 2 doubles the period; 0.5 halves it.");

    // A typed value is its number, limited to the parameter's range by the attachment.
    auto& phase = h->knob (3);
    phase.setValue (phase.getValueFromText ("45 deg"), juce::sendNotificationSync);
    EXPECT_NEAR (h.value ("lfo1_phase"), 45.0f, 1e-4f);
    phase.setValue (phase.getValueFromText ("abc"), juce::sendNotificationSync);
    EXPECT_EQ (h.value ("lfo1_phase"), 0.0f);
    phase.setValue (phase.getValueFromText ("400"), juce::sendNotificationSync);
    EXPECT_EQ (h.value ("lfo1_phase"), 360.0f);
}

TEST (MotionPanel, ShapeButtonsSetTheShapeAndLightWithinAHundredthOfIt)
{
    MotionHarness h;
    const char* texts[] { "SINE", "TRI", "RISE", "FALL", "PULSE", "DRAW" };

    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ (h->shapeButton (i).getButtonText(), texts[i]);
        EXPECT_EQ (h->shapeButton (i).getToggleState(), i == 0);
    }

    const auto lit = [&] (float shape)
    {
        h.setHost ("lfo1_shape", shape);
        h->refresh();
        int which = -1, count = 0;

        for (int i = 0; i < 6; ++i)
            if (h->shapeButton (i).getToggleState())
                which = i, ++count;

        return count > 1 ? -2 : which;
    };

    EXPECT_EQ (lit (2.5f), -1);
    EXPECT_EQ (lit (2.009f), 2);
    EXPECT_EQ (lit (1.991f), 2);
    EXPECT_EQ (lit (2.011f), -1);
    EXPECT_EQ (lit (5.0f), 5);

    // A click is one gesture and lights its button at once.
    h->shapeButton (3).triggerClick();
    runMessageLoop (10);
    EXPECT_FLOAT_EQ (h.value ("lfo1_shape"), 3.0f);
    EXPECT_EQ (h.gesturesBegun ("lfo1_shape"), 1);
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_TRUE (h->shapeButton (3).getToggleState());
    EXPECT_FALSE (h->shapeButton (5).getToggleState());
}

TEST (MotionPanel, SyncReadsTheFrequencyPerBeatAndTimesTheCycleByTheTempo)
{
    MotionHarness h;
    auto& frequency = h->knob (0);
    EXPECT_EQ (shownText (frequency), "1.00 Hz");
    EXPECT_EQ (h->liveCycleText(), "LIVE CYCLE  1.00 s   /   OUT 0.00");

    h->sync().triggerClick();
    runMessageLoop (10);
    EXPECT_EQ (h.value ("lfo1_sync"), 1.0f);
    EXPECT_EQ (shownText (frequency), "1.00 /bt");

    // No host tempo: 120 BPM, two cycles a second.
    h.processor.prepareToPlay (48000.0, 256);
    runBlock (h.processor);
    EXPECT_EQ (h->liveCycleText().upToFirstOccurrenceOf (" s", true, false), "LIVE CYCLE  0.50 s");

    // The host's tempo, and the live frequency and length.
    FakePlayHead host;
    host.bpm = 90.0;
    h.setHost ("lfo1_rate", 3.0f);
    h.setHost ("lfo1_stretch", 2.0f);
    h.processor.prepareToPlay (48000.0, 256);
    runBlock (h.processor, &host);
    EXPECT_EQ (h->liveCycleText().upToFirstOccurrenceOf (" s", true, false), "LIVE CYCLE  0.44 s");
    h->refresh();
    EXPECT_EQ (shownText (frequency), "3.00 /bt");

    // Automated off: the next tick reads hertz again, and the tempo no longer counts.
    h.setHost ("lfo1_sync", 0.0f);
    h->refresh();
    EXPECT_FALSE (h->sync().getToggleState());
    EXPECT_EQ (shownText (frequency), "3.00 Hz");
    EXPECT_EQ (h->liveCycleText().upToFirstOccurrenceOf (" s", true, false), "LIVE CYCLE  0.67 s");
}

TEST (MotionPanel, SwitchingLfoRetargetsKnobsRingsDropsAndSync)
{
    MotionHarness h;
    h.setHost ("lfo3_rate", 4.0f);
    h.setHost ("lfo1_level", 70.0f);
    h.setHost ("mod2_lfo3_phase", 50.0f);
    h.setHost ("mod2_lfo1_phase", -30.0f);

    h->selectLfo (2);
    EXPECT_EQ (h->selectedLfo, 2);
    EXPECT_EQ (h.wave().lfoIndex(), 2);
    EXPECT_EQ (h->knob (0).getComponentID(), "lfo3_rate");
    EXPECT_EQ (h->knob (4).getComponentID(), "lfo3_level");
    EXPECT_NEAR (h->knob (0).getValue(), 4.0, 1.0e-5);
    EXPECT_NEAR (h->knob (4).getValue(), 100.0, 1.0e-5);

    // The knob moves LFO 3's parameter only.
    h->knob (4).setValue (20.0, juce::sendNotificationSync);
    EXPECT_FLOAT_EQ (h.value ("lfo3_level"), 20.0f);
    EXPECT_FLOAT_EQ (h.value ("lfo1_level"), 70.0f);

    // Rings: the routes to LFO 3's phase.
    EXPECT_EQ (h->knob (3).routeParameter (1)->getParameterID(), "mod2_lfo3_phase");
    EXPECT_EQ (h->knob (3).routeDepth[1], 50.0f);
    h.paint();
    EXPECT_FALSE (h->knob (3).ringHitArea[1].isEmpty());

    // Drops connect to LFO 3's controls.
    EXPECT_TRUE (dropOn (h->knob (0), motionui::Source::dragDescription (0)));
    EXPECT_EQ (h.value ("mod1_lfo3_rate"), 25.0f);
    EXPECT_EQ (h.value ("mod1_lfo1_rate"), 0.0f);

    // SYNC is LFO 3's.
    h->sync().triggerClick();
    runMessageLoop (10);
    EXPECT_EQ (h.value ("lfo3_sync"), 1.0f);
    EXPECT_EQ (h.value ("lfo1_sync"), 0.0f);

    // And back: LFO 1's values, ring and sync.
    h->selectLfo (0);
    EXPECT_NEAR (h->knob (4).getValue(), 70.0, 1.0e-5);
    EXPECT_EQ (h->knob (3).routeDepth[1], -30.0f);
    EXPECT_FALSE (h->sync().getToggleState());
    EXPECT_EQ (h.openGestures(), 0);

    // A selection outside the three LFOs keeps to them.
    h->selectLfo (7);
    EXPECT_EQ (h->selectedLfo, 2);
    EXPECT_EQ (h->knob (0).getComponentID(), "lfo3_rate");
}

TEST (MotionPanel, HostAutomationShowsOnTheNextTick)
{
    EditorHarness editor;
    editor->showTab (motionPage);
    auto& panel = editor->motion();
    const auto setHost = [&] (const juce::String& id, float value)
    {
        auto* parameter = editor.processor.parameterTree().getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    };

    setHost ("lfo1_level", 40.0f);
    setHost ("lfo1_shape", 4.0f);
    setHost ("mod3_pressure", 60.0f);
    setHost ("mod1_lfo1_stretch", 12.5f);
    editor.tick();

    EXPECT_NEAR (panel.knob (4).getValue(), 40.0, 1.0e-5);
    EXPECT_TRUE (panel.shapeButton (4).getToggleState());
    EXPECT_NEAR (panel.routeGrid().slider (2, destination::pressure).getValue(), 60.0, 1.0e-5);
    EXPECT_EQ (panel.knob (1).routeDepth[0], 12.5f);
    EXPECT_EQ (shownText (panel.routeGrid().slider (0, destination::ofLfo (0, destination::stretch))), "12.5");
}

TEST (MotionPanel, ATickRepaintsWhatMovesAndWhatTheHostChanged)
{
    MotionHarness h;
    auto& asked = h.window.repaintsAsked;
    const auto inWindow = [&] (juce::Component& c) { return h.window.getLocalArea (&c, c.getLocalBounds()); };
    h->refresh();
    asked.clear();

    // Nothing changed: the play line, the knobs' live markers and the lines at the foot.
    h->refresh();
    EXPECT_TRUE (asked.containsRectangle (inWindow (h.wave())));

    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE (asked.containsRectangle (inWindow (h->knob (i)).getIntersection (h.window.getLocalBounds())));

    EXPECT_TRUE (asked.containsRectangle ({ 0, 382, 465, 24 }));
    EXPECT_FALSE (asked.intersectsRectangle (inWindow (h->routes())));
    EXPECT_FALSE (asked.intersectsRectangle (inWindow (h->shapeButton (3))));

    // The host moves a route in the matrix and the shape: both show.
    asked.clear();
    h.setHost ("mod2_timbre", 50.0f);
    h.setHost ("lfo1_shape", 3.0f);
    h->refresh();
    EXPECT_TRUE (asked.intersectsRectangle (inWindow (h->routeGrid().slider (1, destination::timbre))));
    EXPECT_TRUE (asked.intersectsRectangle (inWindow (h->shapeButton (3))));
    EXPECT_TRUE (asked.intersectsRectangle (inWindow (h->shapeButton (0))));
}

TEST (MotionPanel, ButtonsBrightenWhileFocusedAndSettle)
{
    MotionHarness h;
    auto& sync = h->sync();
    sync.grabKeyboardFocus();
    ASSERT_TRUE (sync.hasKeyboardFocus (false));

    h->refresh();
    EXPECT_FLOAT_EQ (sync.hoverAmount, 0.25f);
    h->refresh();
    EXPECT_FLOAT_EQ (sync.hoverAmount, 0.4375f);
    EXPECT_EQ (h->clearRoutesButton().hoverAmount, 0.0f);

    for (int i = 0; i < 30; ++i)
        h->refresh();

    EXPECT_EQ (sync.hoverAmount, 1.0f);

    h->shapeButton (2).grabKeyboardFocus();
    h->refresh();
    EXPECT_FLOAT_EQ (sync.hoverAmount, 0.75f);
    EXPECT_FLOAT_EQ (h->shapeButton (2).hoverAmount, 0.25f);
}

TEST (MotionPanel, ClosingTheEditorMidKnobDragClosesTheHostsGestureAndKeepsTheValues)
{
    EditorHarness editor;
    editor->showTab (motionPage);
    editor->motion().selectLfo (1);
    pressAndDragUp (editor->motion().knob (4), -30.0f);
    EXPECT_EQ (editor.openGestures(), 1);
    const auto level = valueOf (editor.processor, "lfo2_level");
    EXPECT_LT (level, 100.0f);

    auto& grid = editor->motion().routeGrid();
    auto& depth = grid.slider (0, destination::timbre);
    const auto middle = depth.getLocalBounds().getCentre().toFloat().withX (20.0f);
    depth.mouseDown (mouseEventOn (depth, middle, leftButton(), middle));
    depth.mouseDrag (mouseEventOn (depth, middle.translated (10.0f, 0.0f), leftButton(), middle, 1, true));
    EXPECT_EQ (editor.openGestures(), 2);
    const auto route = valueOf (editor.processor, "mod1_timbre");

    editor.close();
    EXPECT_EQ (editor.openGestures(), 0);
    EXPECT_EQ (valueOf (editor.processor, "lfo2_level"), level);
    EXPECT_EQ (valueOf (editor.processor, "mod1_timbre"), route);
}

TEST (MotionPanel, SwitchingLfoMidTurnEndsItOnTheOldLfoWhereItWasAndLeavesTheNewOneAlone)
{
    MotionHarness h;
    pressAndDragUp (h->knob (0), 20.0f);
    EXPECT_EQ (h.openGestures ("lfo1_rate"), 1);
    const auto turned = h.value ("lfo1_rate");
    const auto untouched = h.value ("lfo2_rate");
    EXPECT_NE (turned, untouched);

    h->selectLfo (1);
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_EQ (h.value ("lfo1_rate"), turned);

    // The rest of the press changes nothing and closes nothing it did not open.
    auto& knob = h->knob (0);
    const auto centre = knob.getLocalBounds().getCentre().toFloat();
    knob.mouseDrag (mouseEventOn (knob, centre.translated (0.0f, -50.0f), leftButton(), centre, 1, true));
    knob.mouseUp (mouseEventOn (knob, centre, {}, centre));
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_EQ (h.value ("lfo1_rate"), turned);
    EXPECT_EQ (h.value ("lfo2_rate"), untouched);

    // A ring held on LFO 2's Level keeps the depth it was dragged to.
    h.setHost ("mod3_lfo2_level", 20.0f);
    h->refresh();
    h.paint();
    auto& level = h->knob (4);
    const auto grip = level.ringHandle[2];
    level.mouseDown (mouseEventOn (level, grip, leftButton(), grip));
    level.mouseDrag (mouseEventOn (level, grip.translated (0.0f, -30.0f), leftButton(), grip, 1, true));
    EXPECT_FLOAT_EQ (h.value ("mod3_lfo2_level"), 35.0f);

    h->selectLfo (2);
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_FLOAT_EQ (h.value ("mod3_lfo2_level"), 35.0f);
    EXPECT_FLOAT_EQ (h.value ("mod3_lfo3_level"), 0.0f);

    for (const auto& [index, count] : h.gestures.ended)
        EXPECT_EQ (count, h.gestures.begun[index]);
}

TEST (MotionSnapshots, WritesTheMotionPageForEachLfoAndTheme)
{
    const auto folder = juce::File (ZELK_SNAPSHOT_DIR);
    folder.createDirectory();
    const char* themes[] { "light", "dark", "vintage" };

    for (int theme = 0; theme < 3; ++theme)
    {
        EditorHarness editor;
        auto& processor = editor.processor;
        const auto palette = paperstyle::paletteForTheme (theme);
        processor.setParameterValue ("uiTheme", (float) theme);

        for (const auto& [id, depth] : { std::pair { "mod1_transpose", 25.0f }, { "mod2_pressure", -40.0f },
                                         { "mod3_lfo1_rate", 60.0f }, { "mod1_lfo2_shape", 12.5f },
                                         { "mod2_lfo3_level", -75.0f }, { "mod3_timbre", 100.0f } })
            processor.setParameterValue (id, depth);

        processor.setParameterValue ("lfo2_sync", 1.0f);
        processor.setParameterValue ("lfo3_shape", 1.5f);
        processor.setParameterValue ("lfo3_rate", 0.35f);

        // LFO 2's shape drawn by hand: a ramp up, a dip and a plateau.
        editor.click (editor->lfoBadge (1));
        auto& wave = editor->motion().wave();
        const auto plot = wave.plotArea();
        const auto at = [&] (float k, float v)
        { return juce::Point<float> (plot.getX() + plot.getWidth() * k / 8.0f, plot.getY() + plot.getHeight() * (1.0f - v) / 2.0f); };
        const juce::Point<float> stroke[] { at (0, -0.8f), at (3, 0.9f), at (4, -0.3f), at (5, 0.6f), at (8, 0.6f) };
        wave.mouseDown (mouseEventOn (wave, stroke[0], leftButton(), stroke[0]));

        for (const auto& p : stroke)
            wave.mouseDrag (mouseEventOn (wave, p, leftButton(), stroke[0], 1, true));

        wave.mouseUp (mouseEventOn (wave, stroke[4], {}, stroke[0], 1, true));

        // A few blocks, so that the outputs, play lines and live values are the LFOs' own.
        processor.prepareToPlay (48000.0, 512);
        juce::AudioBuffer<float> audio (2, 512);
        juce::MidiBuffer midi;

        for (int block = 0; block < 40; ++block)
            processor.processBlock (audio, midi);

        for (int lfo = 0; lfo < 3; ++lfo)
        {
            editor.click (editor->lfoBadge (lfo));
            editor->motion().connectLfo (lfo, destination::ofLfo (lfo, destination::phase));
            editor.tick();
            const auto image = editor.paint();

            // The title is in the LFO's colour.
            const auto title = editor->motion().getBounds().getTopLeft().translated (4, 8);
            auto nearest = 255;

            for (int y = title.y; y < title.y + 16; ++y)
                for (int x = title.x; x < title.x + 60; ++x)
                    nearest = std::min (nearest, channelDistance (image.getPixelAt (x, y), palette.lfoColour (lfo)));

            EXPECT_LT (nearest, 48) << themes[theme] << " LFO " << lfo + 1;

            const auto file = folder.getChildFile ("motion-lfo" + juce::String (lfo + 1) + "-" + themes[theme] + ".png");
            juce::FileOutputStream out (file);
            out.setPosition (0);
            out.truncate();
            EXPECT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
        }
    }
}
