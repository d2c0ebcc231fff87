#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/FixtureBundles.h"
#include "tests/helpers/TestProcessor.h"

#include "editing/ClipboardEdits.h"
#include "ui/editor/ControlKnobs.h"
#include "ui/editor/LogoImage.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
using B = EditorButton;

const B pianoRollButtons[] { B::draw,   B::edit,    B::clear,   B::undo,   B::redo,      B::timeSnap, B::pitchSnap, B::vibrato,
                             B::smooth, B::connect, B::unlink,  B::loop,   B::importMidi, B::exportMidi, B::hearEdits };
const B instrumentButtons[] { B::loadVst3, B::openSynth, B::externalMidi };

void setHostValue (ZelkProcessor& processor, const juce::String& id, float value)
{
    auto* parameter = processor.parameterTree().getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}
} // namespace

TEST (EditorWindow, OpensAt1280By880AndKeepsWithinItsLimits)
{
    EditorHarness editor;
    EXPECT_EQ (editor->getWidth(), 1280);
    EXPECT_EQ (editor->getHeight(), 880);
    EXPECT_TRUE (editor->isResizable());

    auto* constrainer = editor->getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_EQ (constrainer->getMinimumWidth(), 1120);
    EXPECT_EQ (constrainer->getMinimumHeight(), 800);
    EXPECT_EQ (constrainer->getMaximumWidth(), 1920);
    EXPECT_EQ (constrainer->getMaximumHeight(), 1300);

    // A host asking for sizes outside the limits gets the nearest allowed one.
    editor->setBoundsConstrained ({ 0, 0, 400, 300 });
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 1120, 800));
    editor->setBoundsConstrained ({ 0, 0, 4000, 3000 });
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 1920, 1300));
}

TEST (EditorWindow, LayoutFollowsTheWindowSize)
{
    EditorHarness editor;
    editor->setSize (1120, 800);

    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ (editor->controlKnob (k).getBounds(), juce::Rectangle<int> (60 + 200 * (k - 1), 300, 188, 190));

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ (editor->lfoCard (i).getBounds(), juce::Rectangle<int> (60 + 333 * i, 656, 321, 96));

    EXPECT_EQ (editor.canvas().getBounds(), juce::Rectangle<int> (32, 164, 1056, 578));
    EXPECT_EQ (editor->button (B::panic).getBounds(), juce::Rectangle<int> (1004, 39, 84, 31));
    EXPECT_EQ (editor->motion().getBounds(), juce::Rectangle<int> (100, 177, 920, 440));

    editor->setSize (1280, 880);
    EXPECT_EQ (editor->controlKnob (5).getBounds(), juce::Rectangle<int> (60 + 232 * 4, 300, 220, 190));
    EXPECT_EQ (editor->themeSwatch (2).getBounds(), juce::Rectangle<int> (1162, 4, 84, 26));
    EXPECT_EQ (editor->lfoBadge (2).getBounds(), juce::Rectangle<int> (740, 28, 61, 28));
    EXPECT_EQ (editor->button (B::exportMidi).getBounds(), juce::Rectangle<int> (1118, 124, 130, 27));
    EXPECT_EQ (editor.canvas().getBounds(), juce::Rectangle<int> (32, 164, 1216, 658));
}

TEST (EditorWindow, EachPageShowsOnlyItsOwnComponents)
{
    EditorHarness editor;
    const B tabs[] { B::pianoRollTab, B::controlsTab, B::motionTab, B::instrumentTab };

    for (int page = 0; page < 4; ++page)
    {
        editor.click (tabs[page]);
        SCOPED_TRACE (page);
        EXPECT_EQ (editor->tabShown(), page);

        for (int tab = 0; tab < 4; ++tab)
            EXPECT_EQ (editor->button (tabs[tab]).getToggleState(), tab == page);

        EXPECT_EQ (editor.canvas().isVisible(), page == pianoRollPage);

        for (auto which : pianoRollButtons)
            EXPECT_EQ (editor->button (which).isVisible(), page == pianoRollPage) << buttonSpec (which).text;

        for (auto which : instrumentButtons)
            EXPECT_EQ (editor->button (which).isVisible(), page == instrumentPage) << buttonSpec (which).text;

        for (int k = 1; k <= 5; ++k)
            EXPECT_EQ (editor->controlKnob (k).isVisible(), page == controlsPage);

        EXPECT_EQ (editor->motion().isVisible(), page == motionPage);

        for (int i = 0; i < 3; ++i)
        {
            EXPECT_EQ (editor->lfoCard (i).isVisible(), page == controlsPage || page == motionPage);
            EXPECT_TRUE (editor->lfoBadge (i).isVisible());
        }

        for (auto which : { B::play, B::listen, B::panic })
            EXPECT_TRUE (editor->button (which).isVisible());
    }
}

TEST (EditorWindow, ButtonsCarryTheirIdsAndTooltips)
{
    EditorHarness editor;
    EXPECT_EQ (editor->button (B::pianoRollTab).getComponentID(), "draw-tab");
    EXPECT_EQ (editor->button (B::loop).getComponentID(), "loop-toggle");
    EXPECT_TRUE (editor->button (B::loop).getTooltip().endsWith ("right-click the ruler to clear. "));
    EXPECT_EQ (editor->button (B::pitchSnap).getTooltip(), "F: switch Semitones / Free Pitch");
    EXPECT_TRUE (editor->button (B::play).getComponentID().isEmpty());
    EXPECT_TRUE (editor->button (B::clear).getTooltip().isEmpty());
    EXPECT_EQ (editor->lfoCard (1).getComponentID(), "source-card-1");
    EXPECT_EQ (editor->lfoBadge (1).getComponentID(), "source-1");
    EXPECT_EQ (editor->themeSwatch (2).getComponentID(), "theme-2");
    EXPECT_EQ (editor->themeSwatch (2).getTooltip(), "Appearance: VINTAGE (saved per instance)");
    EXPECT_EQ (editor->controlKnob (3).getComponentID(), "transpose");
    EXPECT_EQ (editor->controlKnob (3).getName(), "Transpose");

    // Initially lit: the draw tool, both snaps, LFO 1.
    for (auto which : { B::draw, B::timeSnap, B::pitchSnap })
        EXPECT_TRUE (editor->button (which).getToggleState());

    EXPECT_FALSE (editor->button (B::edit).getToggleState());
    EXPECT_TRUE (editor->lfoBadge (0).getToggleState());
    EXPECT_TRUE (editor->lfoCard (0).getToggleState());
    EXPECT_FALSE (editor->lfoBadge (1).getToggleState());

    // Later children lie above earlier ones: the motion panel above the canvas, LOOP last.
    EXPECT_GT (editor->getIndexOfChildComponent (&editor->motion()), editor->getIndexOfChildComponent (&editor.canvas()));
    EXPECT_GT (editor->getIndexOfChildComponent (&editor->button (B::loop)),
               editor->getIndexOfChildComponent (&editor->button (B::pitchSnap)));
}

TEST (EditorTimer, KeepsTheButtonsInStepWithWhatTheyShow)
{
    EditorHarness editor;
    editor.tick();
    EXPECT_FALSE (editor->button (B::undo).isEnabled());
    EXPECT_FALSE (editor->button (B::redo).isEnabled());

    editor->undoHistory().pushUndo();
    editor.tick();
    EXPECT_TRUE (editor->button (B::undo).isEnabled());
    EXPECT_FALSE (editor->button (B::redo).isEnabled());

    editor.click (B::undo);
    editor.tick();
    EXPECT_FALSE (editor->button (B::undo).isEnabled());
    EXPECT_TRUE (editor->button (B::redo).isEnabled());

    // Keys change the tools and snaps; the buttons follow on the next tick.
    editor.press ('e');
    editor.press (juce::KeyPress::backspaceKey);
    editor.press ('f');
    editor.tick();
    EXPECT_TRUE (editor->button (B::edit).getToggleState());
    EXPECT_FALSE (editor->button (B::draw).getToggleState());
    EXPECT_FALSE (editor->button (B::timeSnap).getToggleState());
    EXPECT_FALSE (editor->button (B::pitchSnap).getToggleState());
    EXPECT_EQ (editor->button (B::pitchSnap).getButtonText(), "FREE PITCH");

    // The host and the transport keys change flags the buttons show.
    setHostValue (editor.processor, "looping", 1.0f);
    editor.press (juce::KeyPress::spaceKey);
    editor.tick();
    EXPECT_TRUE (editor->button (B::loop).getToggleState());
    EXPECT_TRUE (editor->button (B::play).getToggleState());
}

TEST (EditorTimer, AnInstrumentDisablesListenUntilExternalMidi)
{
    EditorHarness editor;
    editor.tick();
    EXPECT_FALSE (editor->button (B::openSynth).isEnabled());
    EXPECT_TRUE (editor->button (B::externalMidi).getToggleState());
    EXPECT_TRUE (editor->button (B::listen).isEnabled());

    const FixtureBundle instrument ("Stereo");
    editor->showTab (instrumentPage);
    editor->loadInstrumentFile (instrument.file());
    ASSERT_TRUE (editor.processor.hostedInstrument().instrumentActive.load());
    EXPECT_TRUE (editor.processor.stopRequested.load());

    editor.tick();
    EXPECT_TRUE (editor->button (B::openSynth).isEnabled());
    EXPECT_FALSE (editor->button (B::externalMidi).getToggleState());
    EXPECT_FALSE (editor->button (B::listen).isEnabled());

    editor.click (B::externalMidi);
    EXPECT_FALSE (editor.processor.hostedInstrument().hasInstance());
    editor.tick();
    EXPECT_FALSE (editor->button (B::openSynth).isEnabled());
    EXPECT_TRUE (editor->button (B::externalMidi).getToggleState());
    EXPECT_TRUE (editor->button (B::listen).isEnabled());
}

TEST (EditorTheme, AHostThemeShowsWithinOneTickAndASwatchAppliesAtOnce)
{
    EditorHarness editor;
    EXPECT_EQ (editor->lookAndFeel().themeIndex, paperstyle::lightTheme);
    EXPECT_TRUE (editor->themeSwatch (0).getToggleState());

    setHostValue (editor.processor, "uiTheme", 1.0f);
    editor.tick();
    EXPECT_TRUE (editor->lookAndFeel().palette == paperstyle::paletteForTheme (paperstyle::darkTheme));
    EXPECT_FALSE (editor->themeSwatch (0).getToggleState());
    EXPECT_TRUE (editor->themeSwatch (1).getToggleState());

    editor.click (editor->themeSwatch (2));
    EXPECT_EQ (valueOf (editor.processor, "uiTheme"), 2.0f);
    EXPECT_EQ (editor->lookAndFeel().themeIndex, paperstyle::vintageTheme);
    EXPECT_TRUE (editor->themeSwatch (2).getToggleState());
    EXPECT_FALSE (editor->themeSwatch (1).getToggleState());
}

TEST (EditorTheme, ASavedThemeOpensTheWindowInIt)
{
    ZelkProcessor processor;
    setHostValue (processor, "uiTheme", 2.0f);
    ZelkEditor editor (processor);
    EXPECT_EQ (editor.lookAndFeel().themeIndex, paperstyle::vintageTheme);
    EXPECT_TRUE (editor.themeSwatch (2).getToggleState());
}

TEST (EditorToolbar, ClearSmoothAndTheTransportButtons)
{
    EditorHarness editor;
    auto& processor = editor.processor;

    // SMOOTH with no active note changes nothing and records nothing.
    writePlainNote (processor, 0, 0.0f, 1.0f, 60);
    editor.click (B::smooth);
    EXPECT_FALSE (editor->undoHistory().canUndo());

    // CLEAR empties the pattern as one step and keeps the loop settings.
    writePlainNote (processor, 5, 2.0f, 1.0f, 64);
    processor.setParameterValue ("rangeEnabled", 1.0f);
    processor.setParameterValue ("looping", 1.0f);
    editor.canvas().selection = { 0, 5 };
    editor.canvas().activeNote = 5;
    editor.click (B::clear);
    EXPECT_FALSE (processor.isNoteOn (0));
    EXPECT_FALSE (processor.isNoteOn (5));
    EXPECT_TRUE (editor.canvas().selection.empty());
    EXPECT_EQ (editor.canvas().activeNote, -1);
    EXPECT_EQ (valueOf (processor, "rangeEnabled"), 1.0f);
    EXPECT_EQ (valueOf (processor, "looping"), 1.0f);
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 1u);

    editor.tick();
    editor.click (B::undo);
    EXPECT_TRUE (processor.isNoteOn (0));
    EXPECT_TRUE (processor.isNoteOn (5));

    // LOOP flips the parameter; PLAY flips the request; PANIC stops and silences the pen.
    editor.click (B::loop);
    EXPECT_EQ (valueOf (processor, "looping"), 0.0f);
    editor.click (B::play);
    EXPECT_TRUE (processor.playRequested.load());
    editor.click (B::play);
    EXPECT_FALSE (processor.playRequested.load());
    processor.hearRequested = true;
    editor.click (B::panic);
    EXPECT_TRUE (processor.stopRequested.load());
    EXPECT_FALSE (processor.hearRequested.load());

    // LISTEN and HEAR EDITS are their parameters.
    editor.click (B::listen);
    EXPECT_EQ (valueOf (processor, "monitor"), 0.0f);
    editor.click (B::hearEdits);
    EXPECT_EQ (valueOf (processor, "hearEdits"), 0.0f);
}

TEST (EditorToolbar, ToolAndSnapButtons)
{
    EditorHarness editor;
    auto& canvas = editor.canvas();

    editor.click (B::edit);
    EXPECT_EQ (canvas.tool, ZelkCanvas::Tool::edit);
    EXPECT_TRUE (editor->button (B::edit).getToggleState());
    EXPECT_FALSE (editor->button (B::draw).getToggleState());
    EXPECT_EQ (canvas.hint, "P: draw / E: edit / V: vibrato on the selected note");

    editor.click (B::draw);
    EXPECT_EQ (canvas.tool, ZelkCanvas::Tool::draw);

    editor.click (B::timeSnap);
    EXPECT_FALSE (canvas.timeSnap);
    editor.click (B::pitchSnap);
    EXPECT_FALSE (canvas.pitchSnap);
    EXPECT_EQ (editor->button (B::pitchSnap).getButtonText(), "FREE PITCH");
    editor.click (B::pitchSnap);
    EXPECT_TRUE (canvas.pitchSnap);
    EXPECT_EQ (editor->button (B::pitchSnap).getButtonText(), "SEMITONES");
}

TEST (EditorToolbar, ConnectAndUnlinkActOnTheSelection)
{
    EditorHarness editor;
    writePlainNote (editor.processor, 0, 0.0f, 1.0f, 60);
    writePlainNote (editor.processor, 1, 1.0f, 1.0f, 62);
    editor.canvas().selection = { 0, 1 };

    editor.click (B::connect);
    EXPECT_EQ (editor.processor.readNote (0).next, 1);
    EXPECT_TRUE (editor.canvas().hint.startsWith ("Connected 2 notes"));

    editor.click (B::unlink);
    EXPECT_EQ (editor.processor.readNote (0).next, -1);
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 2u);
}

TEST (EditorControls, KnobTextsAndTypedValues)
{
    EditorHarness editor;
    auto& transpose = editor->controlKnob (3);
    auto& pressure = editor->controlKnob (1);

    EXPECT_EQ (pressure.getTextFromValue (99.5), "100 %");
    EXPECT_EQ (transpose.getTextFromValue (-3.0), "-3 st");
    EXPECT_EQ (transpose.getTextFromValue (2.5), "2 st");
    EXPECT_EQ (editor->controlKnob (5).getTextFromValue (5.0), "5 ms");

    EXPECT_EQ (transpose.getValueFromText ("7 st"), 7.0);
    EXPECT_EQ (transpose.getValueFromText ("abc"), 0.0);
    EXPECT_EQ (transpose.getValueFromText ("-1.5e1 semitones"), -15.0);

    // What the user types lands in the parameter, limited to its range.
    transpose.setValue (transpose.getValueFromText ("7 st"), juce::sendNotificationSync);
    EXPECT_NEAR (valueOf (editor.processor, "transpose"), 7.0f, 1e-4f);
    transpose.setValue (transpose.getValueFromText ("99"), juce::sendNotificationSync);
    EXPECT_NEAR (valueOf (editor.processor, "transpose"), 24.0f, 1e-4f);
    auto& velocity = editor->controlKnob (4);
    velocity.setValue (velocity.getValueFromText ("abc"), juce::sendNotificationSync);
    EXPECT_EQ (valueOf (editor.processor, "velocity"), 0.0f);

    // Double-click and Alt-click go to the table's values.
    EXPECT_TRUE (editor->controlKnob (5).isDoubleClickReturnEnabled());
    EXPECT_EQ (editor->controlKnob (5).getDoubleClickReturnValue(), 5.0);
    EXPECT_EQ (transpose.getDoubleClickReturnValue(), 0.0);
    EXPECT_EQ (editor->controlKnob (3).getTooltip(),
               "Transpose in whole semitones. Sounding notes retrigger when their transposed key changes.");
    EXPECT_TRUE (pressure.getTooltip().isEmpty());
}

TEST (EditorControls, KnobsFindTheirRoutesAndConnectDroppedLfos)
{
    EditorHarness editor;
    auto& timbre = editor->controlKnob (2);
    ASSERT_TRUE (timbre.routeParameter != nullptr);
    EXPECT_EQ (timbre.routeParameter (1)->getParameterID(), "mod2_timbre");
    EXPECT_EQ (timbre.routeParameter (5), nullptr);

    // A drop connects at 25 %, unless the route already has a depth.
    ASSERT_TRUE (timbre.onLfoDropped != nullptr);
    timbre.onLfoDropped (0);
    EXPECT_EQ (valueOf (editor.processor, "mod1_timbre"), 25.0f);
    editor.processor.setParameterValue ("mod2_timbre", -40.0f);
    timbre.onLfoDropped (1);
    EXPECT_EQ (valueOf (editor.processor, "mod2_timbre"), -40.0f);
}

TEST (EditorSources, AShortDragSelectsTheLfoALongerOneStartsADrag)
{
    EditorHarness editor;
    auto& badge = editor->lfoBadge (1);
    const juce::Point<float> press { 20.0f, 14.0f };

    badge.mouseDown (mouseEventOn (badge, press, juce::ModifierKeys::leftButtonModifier, press));
    badge.mouseDrag (mouseEventOn (badge, press + juce::Point<float> (5.0f, 0.0f), juce::ModifierKeys::leftButtonModifier,
                                   press, 1, true));
    EXPECT_FALSE (badge.dragStarted);
    editor.click (badge); // the release counts as a click
    EXPECT_EQ (editor->tabShown(), motionPage);
    EXPECT_EQ (editor->motion().selectedLfo, 1);
    EXPECT_TRUE (editor->lfoBadge (1).getToggleState());
    EXPECT_TRUE (editor->lfoCard (1).getToggleState());
    EXPECT_FALSE (editor->lfoBadge (0).getToggleState());
    EXPECT_FALSE (editor->lfoCard (0).getToggleState());

    auto& card = editor->lfoCard (2);
    editor->showTab (controlsPage);
    card.mouseDown (mouseEventOn (card, press, juce::ModifierKeys::leftButtonModifier, press));
    card.mouseDrag (mouseEventOn (card, press + juce::Point<float> (0.0f, 6.0f), juce::ModifierKeys::leftButtonModifier,
                                  press, 1, true));
    EXPECT_TRUE (card.dragStarted);
    editor.click (card);
    EXPECT_EQ (editor->tabShown(), controlsPage);
    EXPECT_EQ (editor->motion().selectedLfo, 1);
    EXPECT_EQ (motionui::Source::dragDescription (2), "tamsel-lfo-2");
}

TEST (EditorFooter, CountsNotesAndVoices)
{
    ZelkProcessor processor;
    EXPECT_EQ (patternCounterText (processor), "0 / 128 NOTES  |  0 VOICES");
    writePlainNote (processor, 3, 0.0f, 1.0f, 60);
    writePlainNote (processor, 90, 1.0f, 1.0f, 60);
    processor.activeVoiceCount = 2;
    EXPECT_EQ (patternCounterText (processor), "2 / 128 NOTES  |  2 VOICES");
}

TEST (EditorLogo, IsAnInkMaskOfTheArtworksDarkParts)
{
    juce::Image artwork (juce::Image::RGB, 40, 20, true);
    artwork.clear (artwork.getBounds(), juce::Colours::white);
    artwork.setPixelAt (10, 5, juce::Colour (80, 20, 20));   // opaque
    artwork.setPixelAt (30, 15, juce::Colour (140, 140, 140)); // half
    artwork.setPixelAt (20, 10, juce::Colour (200, 10, 10));   // brightest channel 200: transparent

    const auto logo = logoSilhouette (artwork);
    ASSERT_EQ (logo.getWidth(), 21);
    ASSERT_EQ (logo.getHeight(), 11);
    EXPECT_EQ (logo.getPixelAt (0, 0), juce::Colours::white);
    EXPECT_NEAR (logo.getPixelAt (20, 10).getFloatAlpha(), 0.5f, 0.01f);
    EXPECT_EQ (logo.getPixelAt (10, 5).getAlpha(), 0);

    juce::Image blank (juce::Image::RGB, 8, 8, true);
    blank.clear (blank.getBounds(), juce::Colours::white);
    EXPECT_FALSE (logoSilhouette (blank).isValid());
    EXPECT_FALSE (logoSilhouette ({}).isValid());

    const auto embedded = prepareLogo();
    ASSERT_TRUE (embedded.isValid());
    EXPECT_LT (embedded.getWidth(), 1774);
    EXPECT_GT (embedded.getWidth(), embedded.getHeight());
}

TEST (EditorLifetime, ClosingTheWindowLeavesTheProcessorAsItWas)
{
    EditorHarness editor;
    writePlainNote (editor.processor, 0, 0.0f, 1.0f, 60);
    editor.canvas().activeNote = 0;
    editor.click (B::smooth);
    EXPECT_EQ (editor.openGestures(), 0);

    editor.close();
    EXPECT_EQ (editor.openGestures(), 0);
    EXPECT_TRUE (editor.processor.isNoteOn (0));

    // A new window starts afresh: page, tool, snaps and an empty history.
    ZelkEditor again (editor.processor);
    EXPECT_EQ (again.tabShown(), pianoRollPage);
    EXPECT_EQ (again.pianoRoll().tool, ZelkCanvas::Tool::draw);
    EXPECT_FALSE (again.undoHistory().canUndo());
}

TEST (EditorSnapshots, WritesEveryPageInEveryTheme)
{
    const auto folder = juce::File (ZELK_SNAPSHOT_DIR);
    folder.createDirectory();
    const char* pages[] { "piano-roll", "controls", "motion", "instrument" };
    const char* themes[] { "light", "dark", "vintage" };

    for (int theme = 0; theme < 3; ++theme)
    {
        EditorHarness editor;
        setHostValue (editor.processor, "uiTheme", (float) theme);
        writePlainNote (editor.processor, 0, 0.5f, 2.0f, 60);
        writePlainNote (editor.processor, 1, 3.0f, 1.5f, 64);
        editor.processor.setParameterValue ("mod1_transpose", 30.0f);

        for (int page = 0; page < 4; ++page)
        {
            editor->showTab (page);
            editor.tick();
            const auto image = editor.paint();
            EXPECT_EQ (image.getWidth(), 1280);

            // The page's paper is the theme's: the corner holds the paper colour under its grain.
            EXPECT_LT (test::channelDistance (image.getPixelAt (600, 860).withAlpha (1.0f),
                                              paperstyle::paletteForTheme (theme).paper),
                       24);

            const auto file = folder.getChildFile (juce::String ("editor-") + pages[page] + "-" + themes[theme] + ".png");
            juce::FileOutputStream out (file);
            out.setPosition (0);
            out.truncate();
            EXPECT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
        }
    }
}

TEST (EditorLifetime, OpeningTheWindowChangesNoParameter)
{
    ZelkProcessor processor;
    processor.setParameterValue ("transpose", 0.0f);
    const auto before = stateXml (processor);

    ZelkEditor editor (processor);
    runMessageLoop (100);
    editor.tick();
    EXPECT_EQ (stateXml (processor), before);
}

TEST (EditorLifetime, ClosingTheWindowMidTurnEndsTheGestureAndKeepsTheLastValue)
{
    // Pressure turned down from 100, pressed at several points of the knob: the host closes the
    // window before the release, and keeps what the last drag step made.
    for (const auto press :
         { juce::Point<float> (110.0f, 82.0f), { 70.0f, 110.0f }, { 140.0f, 60.0f }, { 100.0f, 80.0f } })
    {
        EditorHarness editor;
        editor->showTab (controlsPage);
        auto& knob = editor->controlKnob (1);
        knob.mouseDown (mouseEventOn (knob, press, leftButton(), press));
        knob.mouseDrag (mouseEventOn (knob, press.translated (0.0f, 40.0f), leftButton(), press, 1, true));
        const auto turned = valueOf (editor.processor, "pressure");
        EXPECT_LT (turned, 100.0f);
        EXPECT_EQ (editor.openGestures(), 1);

        editor.close();
        EXPECT_EQ (editor.openGestures(), 0);
        EXPECT_EQ (valueOf (editor.processor, "pressure"), turned) << "pressed at " << press.toString();
    }

    // A ring held at the close keeps the depth it was dragged to.
    EditorHarness editor;
    editor->showTab (controlsPage);
    editor.processor.setParameterValue ("mod2_pressure", 20.0f);
    editor.tick();
    editor.paint();
    auto& knob = editor->controlKnob (1);
    const auto grip = knob.ringHandle[1];
    knob.mouseDown (mouseEventOn (knob, grip, leftButton(), grip));
    knob.mouseDrag (mouseEventOn (knob, grip.translated (0.0f, -30.0f), leftButton(), grip, 1, true));
    EXPECT_FLOAT_EQ (valueOf (editor.processor, "mod2_pressure"), 35.0f);

    editor.close();
    EXPECT_EQ (editor.openGestures(), 0);
    EXPECT_FLOAT_EQ (valueOf (editor.processor, "mod2_pressure"), 35.0f);
    EXPECT_FLOAT_EQ (valueOf (editor.processor, "pressure"), 100.0f);
}

TEST (EditorLifetime, ClosingTheWindowInTheMiddleOfAStrokeClosesEveryGestureAndKeepsTheNote)
{
    EditorHarness editor;
    auto& canvas = editor.canvas();
    const juce::Point<float> from { canvas.beatToX (1.0), canvas.pitchToY (60.0) };
    const juce::Point<float> to { canvas.beatToX (3.0), canvas.pitchToY (62.0) };
    const auto left = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);

    canvas.mouseDown (mouseEventOn (canvas, from, left, from));
    canvas.mouseDrag (mouseEventOn (canvas, to, left, from, 1, true));
    EXPECT_GT (editor.openGestures(), 0);
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 1u);

    editor.close();
    EXPECT_EQ (editor.openGestures(), 0);
    EXPECT_FALSE (editor.processor.hearRequested.load());

    const auto note = editor.processor.readNote (0);
    EXPECT_TRUE (note.on);
    EXPECT_EQ (note.start, 1.0f);
    EXPECT_EQ (note.duration, 2.0f);
}
