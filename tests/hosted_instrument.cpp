#include "core/Platform.h"
#include "hosting/PrivateCopies.h"
#include "tests/helpers/AllocationCounter.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/FixtureBundles.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <thread>

using namespace zelk;
using namespace zelk::test;

namespace
{
struct Block
{
    juce::AudioBuffer<float> audio;
    juce::MidiBuffer midi;

    explicit Block (int samples, int channels = 2) : audio (channels, samples) { audio.clear(); }
};

// The fixture's log lines "event POSITION BYTES..." from the saved state.
juce::StringArray receivedEvents (HostedInstrument& instrument)
{
    const auto element = instrument.savedStateElement();
    juce::StringArray lines;
    lines.addLines (fixtureStateText (element.getProperty ("state").toString()));
    juce::StringArray events;

    for (const auto& line : lines)
        if (line.startsWith ("event "))
            events.add (line.fromFirstOccurrenceOf ("event ", false, false));

    return events;
}

juce::StringArray withoutFlush (const juce::StringArray& events)
{
    juce::StringArray notes;

    for (const auto& e : events)
    {
        const auto status = e.fromFirstOccurrenceOf (" ", false, false).getIntValue();

        if ((status & 0xf0) == 0x90 || (status & 0xf0) == 0x80)
            notes.add (e);
    }

    return notes;
}

juce::StringArray tamselFolders()
{
    juce::StringArray names;

    for (const auto& entry : juce::RangedDirectoryIterator (platform::temporaryFolder(), false, "Tamsel-Vital-*",
                                                            juce::File::findDirectories))
        names.add (entry.getFile().getFileName());

    return names;
}

// A private copy that is gone, or that waits to be deleted once JUCE's hosting lets go of its module
// (on Windows, a loaded module cannot be deleted).
bool deletedOrWaiting (const juce::File& folder)
{
    return ! folder.exists() || leftoverPrivateCopies().contains (folder);
}

// "Tamsel-Vital-" folders that are neither in `before` nor deleted nor waiting to be. Another test
// process may have one for a moment: they get a second to go.
juce::StringArray leftBehind (const juce::StringArray& before)
{
    juce::StringArray left;

    for (int attempt = 0; attempt < 20; ++attempt)
    {
        left.clear();

        for (const auto& name : tamselFolders())
            if (! before.contains (name) && ! deletedOrWaiting (platform::temporaryFolder().getChildFile (name)))
                left.add (name);

        if (left.isEmpty())
            break;

        juce::Thread::sleep (50);
    }

    return left;
}

// The test instrument takes its variant from this while it is set, whatever its file is called.
void setFixtureVariant (const juce::String& variant)
{
#if JUCE_WINDOWS
    _putenv (("ZELK_FIXTURE_VARIANT=" + variant).toRawUTF8());
#else
    if (variant.isEmpty())
        unsetenv ("ZELK_FIXTURE_VARIANT");
    else
        setenv ("ZELK_FIXTURE_VARIANT", variant.toRawUTF8(), 1);
#endif
}

struct HostedInstrumentTest : ::testing::Test
{
    ZelkProcessor processor;
    HostedInstrument& instrument = processor.hostedInstrument();

    void SetUp() override { processor.prepareToPlay (48000.0, 512); }
};
} // namespace

TEST_F (HostedInstrumentTest, PlaysTheMidiItIsGivenAndReplacesTheOutput)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {})) << instrument.statusText();
    EXPECT_TRUE (instrument.instrumentActive.load());
    EXPECT_TRUE (instrument.instrumentResync.load());
    EXPECT_EQ (instrument.instrumentName(), "Vital Fixture");
    EXPECT_EQ (instrument.instrumentPath(), stereo.file().getFullPathName());
    EXPECT_TRUE (instrument.statusText().isEmpty());

    Block block (512);
    block.audio.applyGain (0.0f);
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 100);
    instrument.process (block.audio, block.midi);

    EXPECT_TRUE (block.midi.isEmpty()); // nothing reaches the host
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 99), 0.0f);
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 100), 0.1f);
    EXPECT_FLOAT_EQ (block.audio.getSample (1, 511), 0.2f);

    // The load asked for a reset: the first block starts with controller resets on all channels.
    const auto events = receivedEvents (instrument);
    ASSERT_GE (events.size(), 16 * 4 + 1);
    EXPECT_EQ (events[0], "0 176 64 0");
    EXPECT_EQ (withoutFlush (events), juce::StringArray ("100 145 60 100"));
}

TEST_F (HostedInstrumentTest, SplitsLongBlocksAndKeepsEventsSampleAccurate)
{
    processor.prepareToPlay (48000.0, 64);
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));

    Block block (300);
    block.midi.addEvent (juce::MidiMessage::noteOn (3, 61, (juce::uint8) 90), 7);
    block.midi.addEvent (juce::MidiMessage::noteOff (3, 61), 130);
    block.midi.addEvent (juce::MidiMessage::noteOn (4, 62, (juce::uint8) 80), 299);
    instrument.process (block.audio, block.midi);

    EXPECT_EQ (withoutFlush (receivedEvents (instrument)),
               juce::StringArray ({ "7 146 61 90", "130 130 61 0", "299 147 62 80" }));
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 6), 0.0f);
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 64), 0.1f);
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 200), 0.0f);
    EXPECT_FLOAT_EQ (block.audio.getSample (1, 299), 0.2f);
}

TEST_F (HostedInstrumentTest, MonoInstrumentsAreHeardOnBothChannelsAndStereoIsFoldedForMono)
{
    FixtureBundle mono ("Mono Fixture");
    ASSERT_TRUE (instrument.loadInstrument (mono.file(), {})) << instrument.statusText();

    Block block (128);
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (block.audio, block.midi);
    EXPECT_FLOAT_EQ (block.audio.getSample (0, 50), 0.1f);
    EXPECT_FLOAT_EQ (block.audio.getSample (1, 50), 0.1f);

    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));
    Block monoOut (128, 1);
    monoOut.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (monoOut.audio, monoOut.midi);
    EXPECT_NEAR (monoOut.audio.getSample (0, 50), 0.15f, 1.0e-6f);
}

TEST_F (HostedInstrumentTest, RefusesWhatItCannotHostAndKeepsThePreviousInstrument)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));

    FixtureBundle six ("Six Fixture");
    EXPECT_FALSE (instrument.loadInstrument (six.file(), {}));
    EXPECT_EQ (instrument.statusText(), "Only mono/stereo instruments are supported");
    EXPECT_TRUE (instrument.instrumentActive.load());
    EXPECT_EQ (instrument.instrumentPath(), stereo.file().getFullPathName());

    const juce::File zelk (ZELK_VST3_BUNDLE);
    EXPECT_FALSE (instrument.loadInstrument (zelk, {}));
    EXPECT_EQ (instrument.statusText(), "Load failed: Zelk.vst3");

    EXPECT_FALSE (instrument.loadInstrument (juce::File ("/nowhere/Missing.vst3"), {}));
    EXPECT_EQ (instrument.statusText(), "Load failed: Missing.vst3");

    // Still the stereo instrument, still sounding.
    Block block (64);
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (block.audio, block.midi);
    EXPECT_FLOAT_EQ (block.audio.getSample (1, 10), 0.2f);

    // A successful load clears the message; unloading forgets everything.
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));
    EXPECT_TRUE (instrument.statusText().isEmpty());
    instrument.unloadInstrument();
    EXPECT_FALSE (instrument.instrumentActive.load());
    EXPECT_FALSE (instrument.hasInstance());
    EXPECT_FALSE (instrument.savedStateElement().isValid());
}

TEST_F (HostedInstrumentTest, VitalGetsItsMpeSetUpAndASingleFileModuleAPrivateCopy)
{
    FixtureBundle vital ("Vital");
    ASSERT_TRUE (instrument.loadInstrument (vital.file(), {})) << instrument.statusText();
    EXPECT_FALSE (instrument.privateModule().exists()); // a bundle folder loads in place

    const auto state = fixtureStateText (instrument.savedStateElement().getProperty ("state").toString());
    EXPECT_TRUE (state.contains ("parameter MPE_Enabled 1")) << state;
    EXPECT_TRUE (state.contains ("parameter Pitch_Bend_Range 1")) << state;
    EXPECT_TRUE (state.contains ("parameter Gain 0.5")) << state;

    // A single-file "Vital.vst3" is copied to a private folder first; when it cannot be loaded
    // the copy goes again, and the chosen file is named in the message.
    const auto before = tamselFolders();
    auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("zelk-vital-" + juce::Uuid().toString());
    folder.createDirectory();
    const auto single = folder.getChildFile ("VITAL.vst3");
    single.replaceWithText ("not a module");

    EXPECT_FALSE (instrument.loadInstrument (single, {}));
    EXPECT_EQ (instrument.statusText(), "Load failed: VITAL.vst3");
    EXPECT_EQ (tamselFolders(), before);
    EXPECT_TRUE (single.existsAsFile()); // the user's file is never touched
    folder.deleteRecursively();
}

TEST_F (HostedInstrumentTest, ARefusedLoadLeavesNoPrivateCopyBehind)
{
    // The refusal comes after the instance was made, which holds its module open; the instance goes
    // first, then the copy.
    const auto before = tamselFolders();
    FixtureModuleFile single ("Vital.vst3");
    setFixtureVariant ("Six");
    const auto loaded = instrument.loadInstrument (single.file(), {});
    setFixtureVariant ({});
    EXPECT_FALSE (loaded);

#if JUCE_WINDOWS
    EXPECT_EQ (instrument.statusText(), "Only mono/stereo instruments are supported");
#else
    // JUCE's Linux hosting loads bundles only: the copy fails to load instead.
    EXPECT_EQ (instrument.statusText(), "Load failed: Vital.vst3");
#endif
    EXPECT_FALSE (instrument.hasInstance());
    EXPECT_EQ (leftBehind (before).joinIntoString (" ").toStdString(), "");
}

#if JUCE_WINDOWS
// Windows installs Vital as one file, "Vital.vst3": Zelk loads a private copy of it, so that the
// user's file is never the one held open, and deletes the copy with the instrument.
TEST_F (HostedInstrumentTest, ASingleFileVitalLoadsFromAPrivateCopyThatGoesWithIt)
{
    FixtureModuleFile single ("Vital.vst3");
    ASSERT_TRUE (instrument.loadInstrument (single.file(), {})) << instrument.statusText();

    const auto copy = instrument.privateModule();
    const auto folder = copy.getParentDirectory();
    EXPECT_TRUE (copy.existsAsFile());
    EXPECT_EQ (copy.getFileName(), "Vital.vst3");
    EXPECT_TRUE (folder.isAChildOf (platform::temporaryFolder()));
    EXPECT_TRUE (folder.getFileName().startsWith ("Tamsel-Vital-"));
    EXPECT_EQ (folder.getFileName().length(), 13 + 32);
    EXPECT_TRUE (folder.getFileName().substring (13).containsOnly ("0123456789abcdef"));
    EXPECT_TRUE (single.file().existsAsFile());

    // The chosen file is the one saved, never the copy; it is a Vital, so it gets its MPE set-up.
    EXPECT_EQ (instrument.instrumentPath(), single.file().getFullPathName());
    const auto element = instrument.savedStateElement();
    EXPECT_EQ (element.getProperty ("path").toString(), single.file().getFullPathName());
    const auto state = fixtureStateText (element.getProperty ("state").toString());
    EXPECT_TRUE (state.contains ("parameter MPE_Enabled 1")) << state;

    Block block (64);
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (block.audio, block.midi);
    EXPECT_FLOAT_EQ (block.audio.getSample (1, 10), 0.2f);

    // A second load replaces the first copy with a new one.
    ASSERT_TRUE (instrument.loadInstrument (single.file(), {}));
    const auto second = instrument.privateModule();
    EXPECT_NE (second.getParentDirectory(), folder);
    EXPECT_TRUE (second.existsAsFile());
    EXPECT_TRUE (deletedOrWaiting (folder));

    // A refused load keeps the loaded copy and leaves none of its own.
    const auto before = tamselFolders();
    setFixtureVariant ("Six");
    EXPECT_FALSE (instrument.loadInstrument (single.file(), {}));
    setFixtureVariant ({});
    EXPECT_EQ (instrument.statusText(), "Only mono/stereo instruments are supported");
    EXPECT_EQ (instrument.privateModule(), second);
    EXPECT_TRUE (second.existsAsFile());
    EXPECT_EQ (leftBehind (before).joinIntoString (" ").toStdString(), "");

    // Unloading deletes the copy and its folder; the user's file stays.
    instrument.unloadInstrument();
    EXPECT_TRUE (deletedOrWaiting (second.getParentDirectory()));
    EXPECT_TRUE (single.file().existsAsFile());

    // scripts/windows.sh checks that these are gone once the process has ended.
    std::cout << "private copies waiting for JUCE's hosting to close their modules: "
              << leftoverPrivateCopies().size() << std::endl;
}
#endif

TEST_F (HostedInstrumentTest, StopsHeldNotesAndStaysSilentUntilTheNextNoteOn)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));

    Block first (256);
    first.midi.addEvent (juce::MidiMessage::noteOn (5, 64, (juce::uint8) 100), 10);
    instrument.process (first.audio, first.midi);

    // The engine's stop request raises both flags.
    instrument.instrumentMute = true;
    instrument.instrumentFlush = true;

    Block stopped (256);
    instrument.process (stopped.audio, stopped.midi);
    EXPECT_EQ (stopped.audio.getMagnitude (0, 256), 0.0f);

    const auto notes = withoutFlush (receivedEvents (instrument));
    ASSERT_EQ (notes.size(), 2);
    EXPECT_EQ (notes[1], "256 132 64 0"); // note-off at the start of the next block

    Block silent (256);
    instrument.process (silent.audio, silent.midi);
    EXPECT_EQ (silent.audio.getMagnitude (0, 256), 0.0f);

    Block again (256);
    again.midi.addEvent (juce::MidiMessage::noteOn (5, 64, (juce::uint8) 100), 0);
    instrument.process (again.audio, again.midi);
    EXPECT_GT (again.audio.getMagnitude (0, 256), 0.0f);
}

TEST_F (HostedInstrumentTest, ABusyLockGivesASilentBlockAndAResetNeverAWait)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument.loadInstrument (stereo.file(), {}));
    instrument.instrumentResync = false;
    instrument.instrumentFlush = false;

    std::atomic<bool> held { false }, release { false };
    std::thread holder ([&]
    {
        const juce::ScopedLock sl (instrument.lock);
        held = true;

        while (! release)
            std::this_thread::yield();
    });

    while (! held)
        std::this_thread::yield();

    Block block (512);
    block.audio.applyGain (0.0f);
    for (int c = 0; c < 2; ++c)
        block.audio.getWritePointer (c)[3] = 1.0f;
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (block.audio, block.midi);

    release = true;
    holder.join();

    EXPECT_EQ (block.audio.getMagnitude (0, 512), 0.0f);
    EXPECT_TRUE (block.midi.isEmpty());
    EXPECT_TRUE (instrument.instrumentResync.load());
    EXPECT_TRUE (instrument.instrumentFlush.load());
}

TEST_F (HostedInstrumentTest, WhileLoadingTheHostGetsNeitherAudioNorMidi)
{
    loadState (processor, wrapStateXml ("<?xml version=\"1.0\"?><TamselState><HostedInstrument path=\"/nowhere/x.vst3\" "
                                        "state=\"0.\"/></TamselState>"));
    ASSERT_TRUE (instrument.instrumentLoading.load());

    Block block (64);
    block.audio.getWritePointer (0)[0] = 1.0f;
    block.midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 0);
    instrument.process (block.audio, block.midi);
    EXPECT_EQ (block.audio.getMagnitude (0, 64), 0.0f);
    EXPECT_TRUE (block.midi.isEmpty());

    runMessageLoop();
    EXPECT_TRUE (instrument.instrumentLoading.load()); // the module is missing: it stays waiting
    EXPECT_EQ (instrument.statusText(), "Load failed: x.vst3");
}

TEST_F (HostedInstrumentTest, ASavedPathFromAnotherSystemIsNamedAndNotLoaded)
{
    // A project saved on the other system, or by hand with a relative path: nothing is loaded from
    // where the host happens to run, and the message names the file.
#if JUCE_WINDOWS
    const juce::String foreign = "/home/producer/.vst3/Vital.vst3";
#else
    const juce::String foreign = "C:\\Program Files\\Common Files\\VST3\\Vital.vst3";
#endif

    for (const auto& path : { foreign, juce::String ("plugins/Vital.vst3") })
    {
        loadState (processor, wrapStateXml ("<?xml version=\"1.0\"?><TamselState><HostedInstrument path=\""
                                            + path + "\" state=\"0.\"/></TamselState>"));
        runMessageLoop();
        EXPECT_TRUE (instrument.instrumentLoading.load()) << path;
        EXPECT_EQ (instrument.statusText(), "Load failed: Vital.vst3") << path;
        EXPECT_EQ (instrument.savedStateElement().getProperty ("path").toString(), path);
    }
}

TEST (HostedInstrumentState, TravelsWithThePluginStateAndLoadsAsynchronously)
{
    FixtureBundle stereo ("Stereo Fixture");

    ZelkProcessor source;
    source.prepareToPlay (48000.0, 512);
    ASSERT_TRUE (source.hostedInstrument().loadInstrument (stereo.file(), {}));
    Block block (64);
    block.midi.addEvent (juce::MidiMessage::noteOn (9, 77, (juce::uint8) 33), 5);
    source.hostedInstrument().process (block.audio, block.midi);

    const auto element = source.hostedInstrument().savedStateElement();
    EXPECT_EQ (element.getProperty ("path").toString(), stereo.file().getFullPathName());
    const auto savedByInstrument = element.getProperty ("state").toString();
    EXPECT_TRUE (savedByInstrument.containsChar ('.'));

    ZelkProcessor target;
    target.prepareToPlay (48000.0, 512);
    loadState (target, saveState (source));
    EXPECT_TRUE (target.hostedInstrument().instrumentLoading.load());
    EXPECT_FALSE (target.hostedInstrument().hasInstance()); // not before the message loop runs

    runMessageLoop();
    ASSERT_TRUE (target.hostedInstrument().instrumentActive.load()) << target.hostedInstrument().statusText();
    EXPECT_FALSE (target.hostedInstrument().instrumentLoading.load());

    // The instrument got its own state back.
    const auto sourceText = fixtureStateText (savedByInstrument);
    EXPECT_TRUE (sourceText.contains ("5 152 77 33")) << sourceText;
    const auto targetText = fixtureStateText (target.hostedInstrument().savedStateElement().getProperty ("state").toString());
    EXPECT_TRUE (restoredStateText (targetText).contains (sourceText)) << targetText;

    // A state without the element unloads it, shortly after, on the message thread.
    loadState (target, wrapStateXml ("<?xml version=\"1.0\"?><TamselState/>"));
    runMessageLoop();
    EXPECT_FALSE (target.hostedInstrument().instrumentActive.load());
    EXPECT_FALSE (target.hostedInstrument().hasInstance());
}

namespace
{
// The events the fixture logged, as (absolute sample, status byte, data byte 1) for note messages.
std::vector<std::array<int, 3>> loggedNotes (HostedInstrument& instrument)
{
    std::vector<std::array<int, 3>> notes;

    for (const auto& e : withoutFlush (receivedEvents (instrument)))
    {
        juce::StringArray parts;
        parts.addTokens (e, " ", {});
        notes.push_back ({ parts[0].getIntValue(), parts[1].getIntValue(), parts[2].getIntValue() });
    }

    return notes;
}
} // namespace

TEST (HostedInstrumentPlayback, APlayingPatternReachesTheInstrumentAndNothingReachesTheHost)
{
    FixtureBundle stereo ("Stereo Fixture");
    test::EngineHarness h;
    h.host.bpm = test::exactTempo;
    h.note (0, 1.0f, 1.0f, 60);
    h.note (1, 1.5f, 0.25f, 67);
    ASSERT_TRUE (h.processor.hostedInstrument().loadInstrument (stereo.file(), {}));

    h.host.playing = true;
    const auto toHost = h.runSamples (3 * test::samplesPerBeat);
    EXPECT_TRUE (toHost.empty()); // MIDI stays inside while an instrument plays

    const auto beat = (int) test::samplesPerBeat;
    const auto notes = loggedNotes (h.processor.hostedInstrument());
    ASSERT_EQ (notes.size(), 4u);
    EXPECT_EQ (notes[0][0], beat);
    EXPECT_EQ (notes[0][1] & 0xf0, 0x90);
    EXPECT_EQ (notes[0][2], 60);
    EXPECT_EQ (notes[1][0], beat + beat / 2);
    EXPECT_EQ (notes[1][2], 67);
    EXPECT_EQ (notes[2][0], beat + beat / 2 + beat / 4);
    EXPECT_EQ (notes[2][1] & 0xf0, 0x80);
    EXPECT_EQ (notes[3][0], 2 * beat);
    EXPECT_NE (notes[0][1] & 0x0f, notes[1][1] & 0x0f); // member channels of their own

    // The instrument's sound replaces the listen synth.
    EXPECT_FLOAT_EQ (h.lastAudio().getSample (1, 0), 0.0f);
}

TEST (HostedInstrumentPlayback, PanicSilencesTheInstrumentUntilItsNextNote)
{
    FixtureBundle stereo ("Stereo Fixture");
    test::EngineHarness h;
    h.host.bpm = test::exactTempo;
    h.note (0, 0.0f, 8.0f, 60);
    ASSERT_TRUE (h.processor.hostedInstrument().loadInstrument (stereo.file(), {}));

    h.host.playing = true;
    h.run (4);
    EXPECT_GT (h.lastAudio().getMagnitude (0, 512), 0.0f);

    h.processor.stopRequested = true;
    h.processor.hearRequested = false;
    h.run (1);
    EXPECT_EQ (h.lastAudio().getMagnitude (0, 512), 0.0f);

    const auto notes = loggedNotes (h.processor.hostedInstrument());
    ASSERT_GE (notes.size(), 2u);
    EXPECT_EQ (notes[1][1] & 0xf0, 0x80);
    EXPECT_EQ (notes[1][0], 4 * 512); // at the start of the block after PANIC

    h.run (8); // still playing, but the held note was stopped: silent until a new note-on
    EXPECT_EQ (h.lastAudio().getMagnitude (0, 512), 0.0f);
}

TEST (HostedInstrumentPlayback, ZelksOwnPartOfTheBlockStaysAllocationFree)
{
    FixtureBundle stereo ("Stereo Fixture");
    test::EngineHarness h;
    for (int slot = 0; slot < 16; ++slot)
        h.note (slot, 0.25f * (float) slot, 0.5f, 48 + slot);
    ASSERT_TRUE (h.processor.hostedInstrument().loadInstrument (stereo.file(), {}));
    h.host.playing = true;
    h.run (8); // the instrument's own first-block set-up is not ours to count

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);
    std::size_t allocations = 0;

    for (int block = 0; block < 200; ++block)
    {
        test::AllocationCounter counter;
        h.processor.processBlock (buffer, midi);
        allocations += counter.count();
        *h.host.ppq += 512.0 * 120.0 / (60.0 * 48000.0);
    }

    EXPECT_EQ (allocations, 0u);
}
