#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/FixtureBundles.h"
#include "tests/helpers/MidiFiles.h"
#include "tests/helpers/TestProcessor.h"

#include "hosting/PluginInspection.h"
#include "ui/editor/ChooserSetup.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
juce::File twoNoteFile (bool withBend = false)
{
    auto track = trackOf ({ { 64, 960, 1440 }, { 60, 0, 480 } });

    if (withBend)
        track.addEvent (juce::MidiMessage::pitchWheel (1, 9000), 100);

    return writeTemporaryFile (midiFileBytes ({ track }));
}

struct TemporaryFolder
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("zelk-editor-files-" + juce::Uuid().toString());
    TemporaryFolder() { folder.createDirectory(); }
    ~TemporaryFolder()
    {
        folder.setReadOnly (false, true);
        folder.deleteRecursively();
    }
};

// The first component of a kind among a component's children, their children and so on, for
// which `wanted` holds.
template <typename Child>
Child* findChild (juce::Component& parent, const std::function<bool (Child&)>& wanted)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* found = dynamic_cast<Child*> (child); found != nullptr && wanted (*found))
            return found;

        if (auto* found = findChild<Child> (*child, wanted))
            return found;
    }

    return nullptr;
}

template <typename Child>
Child* findChild (juce::Component& parent)
{
    return findChild<Child> (parent, [] (Child&) { return true; });
}
} // namespace

TEST (EditorImport, ReplacesThePatternAsOneUndoableStep)
{
    EditorHarness editor;
    auto& processor = editor.processor;
    writePlainNote (processor, 40, 5.0f, 1.0f, 70);
    processor.setParameterValue ("rangeEnabled", 1.0f);
    processor.setParameterValue ("looping", 1.0f);
    processor.stopRequested = false;

    ASSERT_TRUE (editor->importMidiFile (twoNoteFile (true)));

    // The earliest note takes slot 0; the old pattern is gone.
    EXPECT_EQ (processor.readNote (0).pitch, 60);
    EXPECT_EQ (processor.readNote (1).pitch, 64);
    EXPECT_FALSE (processor.isNoteOn (40));
    EXPECT_TRUE (processor.stopRequested.load());
    EXPECT_EQ (valueOf (processor, "rangeEnabled"), 0.0f);
    EXPECT_EQ (valueOf (processor, "looping"), 0.0f);
    EXPECT_EQ (processor.seekRequest.load(), 0.0);
    EXPECT_EQ (editor.canvas().selection, (std::set<int> { 0, 1 }));
    EXPECT_EQ (editor.canvas().effectiveViewLength(), 4.0);
    EXPECT_EQ (editor.canvas().hint, "Imported 2 notes. DAW tempo. Bends/controllers omitted.");
    ASSERT_EQ (editor->undoHistory().undoSteps().size(), 1u);

    editor.tick();
    editor.click (EditorButton::undo);
    EXPECT_TRUE (processor.isNoteOn (40));
    EXPECT_FALSE (processor.isNoteOn (0));
    EXPECT_EQ (valueOf (processor, "looping"), 1.0f);
}

TEST (EditorImport, ARefusedFileChangesNothingButTheHint)
{
    EditorHarness editor;
    auto& processor = editor.processor;
    writePlainNote (processor, 3, 1.0f, 1.0f, 62);
    editor.canvas().selection = { 3 };
    editor->undoHistory().pushUndo();
    const auto before = stateXml (processor);

    juce::MemoryBlock garbage;
    garbage.append ("not a midi file", 15);

    for (const auto& file : { writeTemporaryFile (garbage), juce::File ("/no/such/file.mid") })
    {
        EXPECT_FALSE (editor->importMidiFile (file));
        EXPECT_EQ (editor.canvas().hint, "Cannot read MIDI file");
    }

    const auto empty = writeTemporaryFile (midiFileBytes ({ trackOf ({}) }));
    EXPECT_FALSE (editor->importMidiFile (empty));
    EXPECT_EQ (editor.canvas().hint, "MIDI file contains no notes");

    EXPECT_EQ (stateXml (processor), before);
    EXPECT_EQ (editor.canvas().selection, (std::set<int> { 3 }));
    EXPECT_EQ (editor->undoHistory().undoSteps().size(), 1u);
    EXPECT_FALSE (editor->undoHistory().canRedo());
}

TEST (EditorExport, ReportsTheOutcomeAndNeverLeavesAPartialFile)
{
    EditorHarness editor;
    writePlainNote (editor.processor, 0, 0.0f, 1.0f, 60);
    TemporaryFolder temporary;

    // The chosen name gets the .mid extension.
    ASSERT_TRUE (editor->exportMidiFile (temporary.folder.getChildFile ("phrase.txt")));
    EXPECT_EQ (editor->status(), "MPE MIDI exported: one loop, 120 BPM");
    const auto written = temporary.folder.getChildFile ("phrase.mid");
    EXPECT_TRUE (written.existsAsFile());
    EXPECT_GT (written.getSize(), 20);

    EXPECT_FALSE (editor->exportMidiFile (juce::File ("/no/such/folder/x.mid")));
    EXPECT_EQ (editor->status(), "Export failed");

    // A protected earlier export stays as it was (where protection holds: not for root).
    written.setReadOnly (true);

    if (! written.hasWriteAccess())
    {
        const auto size = written.getSize();
        EXPECT_FALSE (editor->exportMidiFile (written));
        EXPECT_EQ (written.getSize(), size);
    }

    written.setReadOnly (false);

    // A folder the user may not write into: no file, no leftovers.
    const auto locked = temporary.folder.getChildFile ("locked");
    locked.createDirectory();
    locked.setReadOnly (true);

    if (! locked.getChildFile ("probe").create().wasOk())
    {
        EXPECT_FALSE (editor->exportMidiFile (locked.getChildFile ("x.mid")));
        EXPECT_EQ (locked.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    }

    const auto files = temporary.folder.findChildFiles (juce::File::findFiles, false);
    EXPECT_EQ (files.size(), 1);
}

TEST (EditorInstrument, ALoadThatFailsKeepsThePreviousInstrumentAndSaysWhy)
{
    EditorHarness editor;
    auto& instrument = editor.processor.hostedInstrument();
    const FixtureBundle stereo ("Stereo");

    editor->loadInstrumentFile (stereo.file());
    ASSERT_TRUE (instrument.instrumentActive.load());
    const auto name = instrument.instrumentName();

    const FixtureBundle six ("Six");
    editor.processor.hearRequested = true;
    editor->loadInstrumentFile (six.file());
    EXPECT_FALSE (editor.processor.hearRequested.load());
    EXPECT_TRUE (instrument.instrumentActive.load());
    EXPECT_EQ (instrument.instrumentName(), name);
    EXPECT_EQ (instrument.statusText(), "Only mono/stereo instruments are supported");

    // The page shows the message; the paint must not stumble over the lock.
    editor->showTab (instrumentPage);
    EXPECT_TRUE (editor.paint().isValid());
}

TEST (EditorChoosers, AnAnswerAfterTheWindowClosedOrACancelDoesNothing)
{
    EditorHarness editor;
    writePlainNote (editor.processor, 9, 1.0f, 1.0f, 61);
    const auto file = twoNoteFile();
    TemporaryFolder temporary;
    juce::Component::SafePointer<ZelkEditor> window (editor.editor.get());

    // Cancelled: an empty answer.
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::importMidi, {});
    EXPECT_TRUE (editor.processor.isNoteOn (9));

    editor.close();
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::importMidi, file);
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::exportMidi, temporary.folder.getChildFile ("late.mid"));
    const FixtureBundle stereo ("Stereo");
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::loadInstrument, stereo.file());

    EXPECT_TRUE (editor.processor.isNoteOn (9));
    EXPECT_FALSE (editor.processor.isNoteOn (0));
    EXPECT_FALSE (temporary.folder.getChildFile ("late.mid").exists());
    EXPECT_FALSE (editor.processor.hostedInstrument().hasInstance());
}

TEST (EditorChoosers, AnAnswerWhileTheWindowIsOpenRunsTheOperation)
{
    EditorHarness editor;
    juce::Component::SafePointer<ZelkEditor> window (editor.editor.get());
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::importMidi, twoNoteFile());
    EXPECT_TRUE (editor.processor.isNoteOn (0));
    EXPECT_TRUE (editor.processor.isNoteOn (1));
}

TEST (EditorChoosers, LoadVst3OffersFilesAndFoldersAndTakesABundleAFileInsideOneOrASingleFileModule)
{
    // Only macOS's own dialog offers both at once; Windows' turns into a folder picker and Linux's
    // zenity and kdialog into file pickers, so there it is JUCE's browser.
    using F = juce::FileBrowserComponent;
    using platform::System;

    for (const auto system : { System::windows, System::gnuLinux, System::macOS })
    {
        const auto setup = chooserSetup (ZelkEditor::Chooser::loadInstrument, system);
        EXPECT_EQ (setup.title, "Load VST3 instrument");
        EXPECT_EQ (setup.start, platform::defaultVst3Folder());
        EXPECT_EQ (setup.filter, "*.vst3");
        EXPECT_EQ (setup.flags, F::openMode | F::canSelectFiles | F::canSelectDirectories);
        EXPECT_EQ (setup.native, system == System::macOS);
        EXPECT_TRUE (chooserSetup (ZelkEditor::Chooser::importMidi, system).native);
    }

    const juce::File folder ("/plugins");
    const auto bundle = folder.getChildFile ("Foo.vst3");

    for (const auto& [chosen, module] : std::vector<std::pair<juce::File, juce::File>> {
             { bundle, bundle },
             { bundle.getChildFile ("Contents/x86_64-win/Foo.vst3"), bundle },
             { bundle.getChildFile ("Contents/x86_64-linux/Foo.so"), bundle },
             { bundle.getChildFile ("Contents"), bundle },
             { folder.getChildFile ("Vital.vst3"), folder.getChildFile ("Vital.vst3") },
             { juce::File ("/home/producer/.vst3/Vital.vst3"), juce::File ("/home/producer/.vst3/Vital.vst3") },
             { folder.getChildFile ("Contents/Foo.so"), folder.getChildFile ("Contents/Foo.so") } })
        EXPECT_EQ (vst3ModuleOfChoice (chosen), module) << chosen.getFullPathName();

    // Through the window: LOAD VST3 opens JUCE's browser in it, and the bundle's binary, typed
    // there, loads the bundle.
    EditorHarness editor;
    auto& instrument = editor.processor.hostedInstrument();
    const FixtureBundle stereo ("Stereo");
    editor->showTab (instrumentPage);
    editor.click (EditorButton::loadVst3);
    auto* browser = findChild<juce::FileBrowserComponent> (*editor);
    ASSERT_NE (browser, nullptr) << "no file browser in the window";
    browser->setFileName (FixtureBundle::moduleBinary (stereo.file()).getFullPathName());

    const auto isOpen = [] (juce::TextButton& b) { return b.getButtonText() == "Open"; };
    auto* open = findChild<juce::TextButton> (*editor, isOpen);
    ASSERT_NE (open, nullptr);
    open->triggerClick();
    runMessageLoop (100);
    EXPECT_TRUE (instrument.instrumentActive.load()) << instrument.statusText();
    EXPECT_EQ (instrument.instrumentPath(), stereo.file().getFullPathName());
    EXPECT_EQ (findChild<juce::FileBrowserComponent> (*editor), nullptr);

    // A cancel leaves the instrument as it was.
    juce::Component::SafePointer<ZelkEditor> window (editor.editor.get());
    ZelkEditor::answerChooser (window, ZelkEditor::Chooser::loadInstrument, {});
    EXPECT_TRUE (instrument.instrumentActive.load());
    EXPECT_EQ (instrument.instrumentPath(), stereo.file().getFullPathName());
}
