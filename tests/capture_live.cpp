// CAPTURE: what a controller plays into the block routine's MIDI input becomes the pattern.
#include "core/Platform.h"
#include "editing/CaptureSession.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/LivePlayer.h"
#include "tests/helpers/MidiFiles.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
// The performance's notes as captured: C4 gliding into E4, and G4.
void expectThePerformance (const std::vector<Note>& notes, double offset)
{
    ASSERT_EQ (notes.size(), 3u);
    const auto& c4 = notes[0];
    const auto& g4 = notes[1];
    const auto& e4 = notes[2];
    EXPECT_EQ (c4.pitch, 60);
    EXPECT_NEAR (c4.start, 1.0 + offset, 0.002);
    EXPECT_EQ (c4.next, 2);
    EXPECT_NEAR (e4.start, 2.25 + offset, 0.01);
    EXPECT_EQ (e4.pitch, 64);
    EXPECT_NEAR (e4.end(), 3.0 + offset, 0.002);
    EXPECT_NEAR (c4.curves[pressureCurve][16], 0.3125, 0.01); // pressure rising from 0 to 1 over beats 1..3
    EXPECT_EQ (g4.pitch, 67);
    EXPECT_NEAR (g4.start, 1.5 + offset, 0.002);
    EXPECT_NEAR (g4.duration, 1.0, 0.002);
    EXPECT_NEAR (g4.curves[timbreCurve][10], 100.0 / 127.0, 0.002);
    EXPECT_FLOAT_EQ (g4.velocity, 80.0f);
}
} // namespace

TEST (LiveCapture, KeepsWhatIsPlayedIntoAPlayingTransportAndEndsWhenTheHostStops)
{
    ZelkProcessor processor;
    FakePlayHead host;
    host.playing = true;
    host.bpm = 120.0;
    host.ppq = 8.0;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 1024);

    // With CAPTURE off, the input goes nowhere, as always.
    LivePlayer player (processor, host);
    player.play (mpePerformance (8.0), 12.0);
    std::vector<CapturedInput> nothing;
    EXPECT_EQ (processor.liveCapture().drain (nothing), 0);

    CaptureSession session (processor);
    session.start();
    player.play (mpePerformance (12.0), 16.0);
    EXPECT_FALSE (session.collect());

    host.playing = false; // the host stops: the block routine ends the capture
    player.idle();
    EXPECT_TRUE (session.collect());
    EXPECT_EQ (session.notesPlayed(), 2);

    const auto result = session.finish();
    ASSERT_TRUE (result.ok()) << result.error;
    expectThePerformance (result.notes, 12.0);
    EXPECT_TRUE (result.report.mpe);
    EXPECT_EQ (result.report.eventsDropped, 0);
}

TEST (LiveCapture, WithoutATransportTimeRunsFromTheFirstNoteOnAtTheHostsTempo)
{
    ZelkProcessor processor;
    FakePlayHead host; // stopped, at 90 bpm
    host.bpm = 90.0;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 512);
    LivePlayer player (processor, host);

    CaptureSession session (processor);
    session.start();
    player.play (mpePerformance(), 4.0);
    const auto result = session.finish();
    ASSERT_TRUE (result.ok()) << result.error;
    // The first note-on is beat 0; the performance's beats are the host's, here at 90 bpm too.
    expectThePerformance (result.notes, -1.0);

    // Armed first, then the host starts before a note is played: the notes land where they were
    // played on the host's timeline.
    session.start();
    player.idle();
    host.playing = true;
    host.ppq = 8.0;
    LivePlayer fromEight (processor, host);
    fromEight.play (mpePerformance (8.0), 12.0);
    const auto followed = session.finish();
    ASSERT_TRUE (followed.ok()) << followed.error;
    expectThePerformance (followed.notes, 8.0);
}

TEST (LiveCapture, ALoopWrapEndsTheCaptureAfterOnePass)
{
    ZelkProcessor processor;
    FakePlayHead host;
    processor.setPlayHead (&host);
    processor.setParameterValue ("looping", 1.0f);
    processor.setParameterValue ("rangeStart", 0.0f);
    processor.setParameterValue ("rangeEnd", 4.0f);
    processor.setParameterValue ("rangeEnabled", 1.0f);
    processor.prepareToPlay (48000.0, 512);
    processor.playRequested = true; // PLAY's own clock, looping over beats 0..4
    LivePlayer player (processor, host);
    player.idle();

    CaptureSession session (processor);
    session.start();
    auto twice = mpePerformance();
    const auto again = mpePerformance (4.0);
    twice.insert (twice.end(), again.begin(), again.end());
    player.play (twice, 8.0);
    EXPECT_TRUE (session.collect());

    const auto result = session.finish();
    ASSERT_TRUE (result.ok()) << result.error;
    expectThePerformance (result.notes, 0.0);
}

TEST (LiveCapture, AFullQueueDropsEventsCountsThemAndSaysSo)
{
    ZelkProcessor processor;
    FakePlayHead host;
    host.playing = true;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 512);
    LivePlayer player (processor, host);

    // Four notes and then a flood of expression that nobody collects meanwhile.
    std::vector<juce::MidiMessage> flood;

    for (int key = 60; key < 64; ++key)
        flood.push_back (juce::MidiMessage::noteOn (2 + key - 60, key, (juce::uint8) 100).withTimeStamp (0.5));

    for (int i = 0; i < LiveCapture::queueCapacity + 5000; ++i)
        flood.push_back (juce::MidiMessage::channelPressureChange (2, i % 128).withTimeStamp (1.0 + i * 1e-5));

    CaptureSession session (processor);
    session.start();
    player.play (flood, 3.0);
    const auto result = session.finish();
    ASSERT_TRUE (result.ok()) << result.error;
    EXPECT_EQ (result.notes.size(), 4u);
    EXPECT_GE (result.report.eventsDropped, 5000);
    EXPECT_TRUE (result.report.summary().contains (juce::String (result.report.eventsDropped) + " events dropped"));
    EXPECT_TRUE (result.report.shortSummary().endsWith ("events lost"));
}

TEST (EditorCapture, CaptureReplacesThePatternAsOneStepAndClosingTheWindowKeepsIt)
{
    EditorHarness editor;
    auto& processor = editor.processor;
    FakePlayHead host;
    host.playing = true;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 512);
    writePlainNote (processor, 0, 0.0f, 4.0f, 50);

    auto& capture = editor->captureToggle();
    EXPECT_TRUE (capture.isVisible());
    EXPECT_EQ (capture.getBounds(), editor->layout().captureButton());
    editor->showTab (controlsPage);
    EXPECT_FALSE (capture.isVisible());
    editor->showTab (pianoRollPage);

    editor.click (capture);
    editor.tick();
    EXPECT_TRUE (capture.getToggleState());
    EXPECT_EQ (editor->status(), "Capturing: play now");

    LivePlayer player (processor, host);
    player.play (mpePerformance(), 4.0);
    editor.tick();
    EXPECT_EQ (editor->status(), "Capturing: 2 notes played");

    editor.click (capture);
    EXPECT_FALSE (capture.getToggleState());
    EXPECT_EQ (editor->status(), "Captured 3 notes");
    EXPECT_TRUE (editor.canvas().hint.startsWith ("Captured 3 notes (MPE, bend 48): 1 glide, 0 vibratos."));
    EXPECT_EQ (processor.readNote (0).pitch, 60);
    EXPECT_EQ (processor.readNote (0).next, 2);
    EXPECT_EQ (editor.canvas().selection.size(), 3u);

    editor.tick();
    editor.click (EditorButton::undo);
    EXPECT_EQ (processor.readNote (0).pitch, 50);
    EXPECT_FALSE (processor.isNoteOn (1));

    // Nothing played: nothing changes, and the status says so.
    editor.click (capture);
    editor.click (capture);
    EXPECT_EQ (editor->status(), "Nothing captured: no notes were played");
    EXPECT_EQ (processor.readNote (0).pitch, 50);

    // The host closing the window in the middle keeps what was played, and the next window's
    // UNDO still brings back the pattern from before it.
    editor.click (capture);
    player.play (mpePerformance (4.0), 8.0);
    editor.close();
    EXPECT_EQ (processor.readNote (0).pitch, 60);
    EXPECT_NEAR (processor.readNote (0).start, 5.0, 0.002);
    EXPECT_FALSE (processor.liveCapture().isArmed());

    editor.editor = std::make_unique<ZelkEditor> (processor);
    EXPECT_TRUE (editor.canvas().hint.startsWith ("Captured 3 notes"));
    editor.click (EditorButton::undo);
    EXPECT_EQ (processor.readNote (0).pitch, 50);
    EXPECT_FALSE (processor.isNoteOn (1));
    editor.close();
    editor.editor = std::make_unique<ZelkEditor> (processor); // taken once
    EXPECT_FALSE (editor->undoHistory().canUndo());
}

TEST (EditorCapture, AMidiFileDroppedOnThePianoRollIsCapturedAsOneStep)
{
    EditorHarness editor;
    auto& processor = editor.processor;
    writePlainNote (processor, 0, 0.0f, 4.0f, 50);

    juce::MidiMessageSequence track;

    for (const auto& m : mpePerformance())
        track.addEvent (m.withTimeStamp (m.getTimeStamp() * 480.0));

    const auto file = writeTemporaryFile (midiFileBytes ({track}));
    const juce::StringArray files{file.getFullPathName()};
    const auto onCanvas = editor.canvas().getBounds().getCentre(), offCanvas = juce::Point<int> (40, 40);

    EXPECT_TRUE (editor->isInterestedInFileDrag (files));
    EXPECT_FALSE (editor->isInterestedInFileDrag ({"/tmp/notes.txt"}));
    // DRAG MIDI's own loop carried back over the window is not captured into its own pattern.
    EXPECT_FALSE (editor->isInterestedInFileDrag ({platform::loopDragFolder().getChildFile ("Zelk loop 1 bar.mid").getFullPathName()}));
    editor->fileDragEnter (files, onCanvas.x, onCanvas.y);
    EXPECT_TRUE (editor.canvas().hint.startsWith ("Drop to capture "));

    // Let go over the header: nothing happens, and the hint is as it was.
    editor->filesDropped (files, offCanvas.x, offCanvas.y);
    EXPECT_EQ (processor.readNote (0).pitch, 50);
    EXPECT_FALSE (editor.canvas().hint.startsWith ("Drop"));

    // Only the piano roll is a drop target, so the pointer shows a drop elsewhere is refused.
    EXPECT_EQ (dynamic_cast<juce::FileDragAndDropTarget*> (editor.editor.get()), nullptr);
    auto& roll = editor.canvas();
    ASSERT_TRUE (roll.isInterestedInFileDrag (files));
    roll.filesDropped (files, roll.getWidth() / 2, roll.getHeight() / 2);
    EXPECT_EQ (processor.readNote (0).pitch, 60);
    EXPECT_EQ (processor.readNote (2).pitch, 64);
    EXPECT_EQ (editor->status(), "Captured 3 notes");
    EXPECT_FALSE (isSwitchOn (processor.raw().looping));

    editor.tick();
    editor.click (EditorButton::undo);
    EXPECT_EQ (processor.readNote (0).pitch, 50);

    // A damaged file is refused with the import's message and changes nothing.
    const auto damaged = writeTemporaryFile (juce::MemoryBlock ("MThd and nothing more", 21));
    editor->filesDropped ({damaged.getFullPathName()}, onCanvas.x, onCanvas.y);
    EXPECT_EQ (editor.canvas().hint, "Cannot read MIDI file");
    EXPECT_EQ (processor.readNote (0).pitch, 50);

    editor->showTab (controlsPage);
    EXPECT_FALSE (editor->isInterestedInFileDrag (files));
    file.deleteFile();
    damaged.deleteFile();
}
