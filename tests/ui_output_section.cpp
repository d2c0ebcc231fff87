// The INSTRUMENT page's OUTPUT section, driven as a user drives it: clicks on its buttons, numbers
// typed into its value boxes, and the status line's reports.
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
using Control = OutputSection::Control;

// Typing into a value box: a click opens its editor, the text is typed, Return takes it.
void type (paperstyle::ValueBox& box, const juce::String& text)
{
    box.showEditor();
    ASSERT_NE (box.getCurrentTextEditor(), nullptr);
    box.getCurrentTextEditor()->setText (text, false);
    box.hideEditor (false);
}
} // namespace

TEST (OutputSection, ItsButtonsAndValueBoxesSetTheOptionsOutsideTheUndoHistory)
{
    EditorHarness editor;
    auto& section = editor->output();
    EXPECT_FALSE (section.isVisible());
    editor->showTab (instrumentPage);
    ASSERT_TRUE (section.isVisible());

    editor.click (section.button (Control::bend24));
    EXPECT_EQ (editor.processor.outputOptions().bendRange, 24);
    EXPECT_TRUE (section.button (Control::bend24).getToggleState());
    EXPECT_FALSE (section.button (Control::bend48).getToggleState());
    EXPECT_EQ (section.bendRangeBox().getText(), "24");

    // Any whole number 1..96; larger ones are the largest, text that is no number changes nothing.
    type (section.bendRangeBox(), "7");
    EXPECT_EQ (editor.processor.outputOptions().bendRange, 7);
    EXPECT_FALSE (section.button (Control::bend24).getToggleState());
    type (section.bendRangeBox(), "200");
    EXPECT_EQ (editor.processor.outputOptions().bendRange, 96);
    type (section.bendRangeBox(), "abc");
    EXPECT_EQ (editor.processor.outputOptions().bendRange, 96);
    EXPECT_EQ (section.bendRangeBox().getText(), "96");
    type (section.bendRangeBox(), "0");
    EXPECT_EQ (editor.processor.outputOptions().bendRange, 1);

    type (section.memberChannelsBox(), "4");
    editor.click (section.button (Control::zoneUpper));
    editor.click (section.button (Control::configurationLeaveOut));
    editor.click (section.button (Control::pressurePoly));

    const auto o = editor.processor.outputOptions();
    EXPECT_EQ (o.memberChannels, 4);
    EXPECT_TRUE (o.upper());
    EXPECT_FALSE (o.configurationMessage);
    EXPECT_TRUE (o.polyPressure());
    EXPECT_TRUE (section.button (Control::zoneUpper).getToggleState());
    EXPECT_FALSE (editor->undoHistory().canUndo());

    // A host restoring a state changes them behind the section's back: it follows within a tick.
    ZelkProcessor fresh;
    loadState (editor.processor, saveState (fresh));
    editor.tick();
    EXPECT_TRUE (section.button (Control::bend48).getToggleState());
    EXPECT_TRUE (section.button (Control::zoneLower).getToggleState());
    EXPECT_EQ (section.memberChannelsBox().getText(), "15");
}

TEST (OutputSection, TheStatusLineSaysOncePerPlaybackStartHowManyNotesWereClamped)
{
    EditorHarness editor;
    auto& p = editor.processor;

    for (int slot = 0; slot < 3; ++slot)
    {
        auto note = plainNote ((float) slot, 1.0f, 60 + slot);
        note.curves[pitchCurve].fill (0.4f + 0.2f * (float) slot); // 19.2, 28.8 and 38.4 semitones
        p.writeNote (slot, note);
    }

    p.setParameterValue ("looping", 1.0f); // a loop of three beats, 141 blocks at 120 BPM

    auto options = p.outputOptions();
    options.bendRange = 24;
    p.setOutputOptions (options);
    p.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;

    const auto play = [&] (int blocks)
    {
        for (int b = 0; b < blocks; ++b)
        {
            p.processBlock (buffer, midi);
            editor.tick();
        }
    };

    p.playRequested = true;
    play (141); // the second and third notes pass ±24, the first stays inside
    EXPECT_EQ (editor->status(), juce::String::fromUTF8 ("2 notes bend past \xc2\xb1" "24 and are clamped"));

    // The next pass of the loop clamps the same notes: nothing new to say.
    editor->dragMidiGrip().onStatus ("other news");
    play (141);
    EXPECT_EQ (editor->status(), "other news");

    // A new start counts again.
    p.playRequested = false;
    play (1);
    p.playRequested = true;
    play (93); // not quite two beats: the second note only
    EXPECT_EQ (editor->status(), juce::String::fromUTF8 ("1 note bends past \xc2\xb1" "24 and is clamped"));

    // At the default range the clipping is the one Zelk always did: nothing is said of it.
    auto far = plainNote (0.0f, 3.0f, 60);
    far.curves[pitchCurve].fill (1.0f); // 48 semitones, and the vibrato goes past them
    far.vibOn = true;
    far.vibDepth = 2.0f;
    p.writeNote (0, far);
    options.bendRange = OutputOptions::defaultBendRange;
    p.setOutputOptions (options);
    editor->dragMidiGrip().onStatus ("quiet");
    p.playRequested = false;
    play (1);
    p.playRequested = true;
    play (141);
    EXPECT_EQ (p.playbackEngine().outputInUse().bendRange, OutputOptions::defaultBendRange);
    EXPECT_GT (p.playbackEngine().clampReport().notes, 0);
    EXPECT_EQ (editor->status(), "quiet");
}
