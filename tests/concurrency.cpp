// The processor as hosts use it, all at once: the audio thread plays blocks with a play head,
// the message thread edits through the calls the editor makes and loads and unloads a hosted
// instrument, and a third thread saves and restores the state. In the ThreadSanitizer build
// (-DZELK_TSAN=ON) this is the test that must report nothing of ours.
#include "editing/AfterChangeRefresh.h"
#include "editing/UndoHistory.h"
#include "midi/MidiImport.h"
#include "tests/helpers/AllocationCounter.h"
#include "tests/helpers/FakePlayHead.h"
#include "tests/helpers/FixtureBundles.h"
#include "tests/helpers/MidiFiles.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zelk;
using namespace zelk::test;

namespace
{
juce::String noteId (int slot, const char* field)
{
    return "note" + juce::String (slot + 1) + "_" + field;
}

// What the host's audio thread saw.
struct AudioThreadReport
{
    std::atomic<int> blocks { 0 };
    std::atomic<int> blocksWithAnInstrument { 0 };
    std::atomic<std::size_t> allocations { 0 };
    std::atomic<int> badSamples { 0 };
};

// Blocks of 512 at 48 kHz with the host playing at 140 BPM; now and then the host loops back.
void playBlocks (ZelkProcessor& processor, FakePlayHead& host, const std::atomic<bool>& done, AudioThreadReport& report)
{
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);
    auto& instrument = processor.hostedInstrument();
    const auto hosting = [&instrument] { return instrument.instrumentActive.load() || instrument.instrumentLoading.load(); };

    while (! done.load())
    {
        const auto hostedBefore = hosting();
        const auto changesBefore = instrument.instanceChanges.load();
        std::size_t allocations = 0;
        {
            AllocationCounter counter;
            processor.processBlock (buffer, midi);
            allocations = counter.count();
        }

        // An instrument allocates what it likes in its first blocks; Zelk's own part never may.
        // One loaded and removed again during the block leaves no flag set, only its count.
        if (hostedBefore || hosting() || instrument.instanceChanges.load() != changesBefore)
            ++report.blocksWithAnInstrument;
        else
            report.allocations += allocations;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                if (! std::isfinite (buffer.getSample (channel, i)) || std::abs (buffer.getSample (channel, i)) > 2.0f)
                    ++report.badSamples;

        const auto block = ++report.blocks;
        *host.ppq = block % 700 == 0 ? 0.0 : *host.ppq + 512.0 * 140.0 / (60.0 * 48000.0);
    }
}

// The state calls of a host: save now and then, and restore what it saved, sometimes an older one.
void saveAndRestore (ZelkProcessor& processor, const std::atomic<bool>& done, std::atomic<int>& rounds,
                     std::atomic<bool>& finished)
{
    juce::MemoryBlock older;

    while (! done.load())
    {
        juce::MemoryBlock saved;
        processor.getStateInformation (saved);
        const auto round = ++rounds;
        const auto& restored = round % 3 == 0 && older.getSize() > 0 ? older : saved;
        processor.setStateInformation (restored.getData(), (int) restored.getSize());

        if (round % 4 == 1)
            older = saved;

        std::this_thread::sleep_for (std::chrono::milliseconds (2));
    }

    finished = true;
}

// One pen stroke as the draw tool makes it: the note is written at the press, then each step
// moves its end and bends its pitch curve.
void drawStroke (ZelkProcessor& processor, UndoHistory& history, int slot, float start, int pitch)
{
    history.pushUndo();
    processor.writeNote (slot, plainNote (start, 0.0625f, pitch));

    for (int step = 1; step <= 12; ++step)
    {
        processor.setParameterValue (noteId (slot, "duration"), 0.0625f * (float) step);

        for (int point = 0; point < curvePointCount; point += 4)
            processor.setParameterValue (noteId (slot, ("curve0_" + juce::String (point)).toRawUTF8()),
                                         0.02f * (float) ((point + step) % 9 - 4));

        processor.hearPitch = (float) pitch + 0.1f * (float) step;
        processor.hearRequested = true;
    }

    processor.hearRequested = false;
}

juce::String parametersOutOfRange (ZelkProcessor& processor)
{
    for (auto* p : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p);
        const auto value = valueOf (processor, ranged->paramID);
        const auto& range = ranged->getNormalisableRange();

        if (! std::isfinite (value) || value < range.start || value > range.end)
            return ranged->paramID + " = " + juce::String (value);
    }

    return {};
}
} // namespace

TEST (Concurrency, EditingSavingAndHostingWhileTheAudioThreadPlays)
{
    FixtureBundle fixture ("Stereo Fixture");
    ZelkProcessor processor;
    FakePlayHead host;
    host.playing = true;
    host.bpm = 140.0;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 512);

    for (int slot = 0; slot < 24; ++slot)
        writePlainNote (processor, slot, 0.5f * (float) slot, 0.75f, 48 + slot);

    juce::MemoryInputStream midiFile (midiFileBytes ({ trackOf ({ { 60, 0, 240 }, { 64, 240, 480 }, { 67, 480, 960 } }) }), true);
    const auto imported = readMidiNotes (midiFile);
    ASSERT_TRUE (imported.ok()) << imported.error;

    UndoHistory history (processor);
    CanvasEditState canvas;
    canvas.onBeforeEdit = [&history] { history.pushUndo(); };
    canvas.onChanged = [&processor, &canvas] { afterChangeRefresh (processor, canvas); };
    auto& instrument = processor.hostedInstrument();

    std::atomic<bool> done { false };
    AudioThreadReport audio;
    std::atomic<int> stateRounds { 0 };
    std::atomic<bool> stateFinished { false };
    std::thread audioThread (playBlocks, std::ref (processor), std::ref (host), std::cref (done), std::ref (audio));
    std::thread stateThread (saveAndRestore, std::ref (processor), std::cref (done), std::ref (stateRounds),
                             std::ref (stateFinished));

    auto loads = 0;

    for (int round = 0; round < 48; ++round)
    {
        const auto slot = (round * 37) % slotCount;
        drawStroke (processor, history, slot, 0.25f * (float) (round % 32), 40 + round % 40);
        canvas.activeNote = slot;
        canvas.refresh();

        switch (round % 8)
        {
            case 1: history.undo (canvas); break;
            case 2: history.redo (canvas); break;
            case 3:
                history.pushUndo();
                importIntoPattern (processor, imported);
                break;
            case 5:
                history.pushUndo();
                processor.clearPattern();
                break;
            case 6: processor.setPlaybackPosition (0.5 * round); break;
            case 7: processor.stopRequested = true; break;
            default: break;
        }

        if (round % 6 == 0)
            loads += instrument.loadInstrument (fixture.file(), {}) ? 1 : 0;
        else if (round % 6 == 4)
            instrument.unloadInstrument();

        processor.setParameterValue ("looping", round % 10 < 5 ? 1.0f : 0.0f);
        processor.setParameterValue ("transpose", (float) (round % 5) - 2.0f);

        // Restored states load or unload their instrument here, as on the message thread.
        runMessageLoop (2);
    }

    // Long enough for the other two threads to have overlapped with all of that.
    for (int i = 0; i < 500 && (audio.blocks.load() < 400 || stateRounds.load() < 4); ++i)
        runMessageLoop (10);

    // A host's state call on its own thread may wait for the message thread, as the VST 3
    // hosting does, so the message loop runs until the state thread is done.
    done = true;

    while (! stateFinished.load())
        runMessageLoop (5);

    audioThread.join();
    stateThread.join();
    runMessageLoop (20);
    instrument.unloadInstrument();

    EXPECT_EQ (loads, 8) << instrument.statusText();
    EXPECT_GE (audio.blocks.load(), 400);
    EXPECT_GE (stateRounds.load(), 4);
    EXPECT_EQ (audio.allocations.load(), 0u);
    EXPECT_EQ (audio.badSamples.load(), 0);
    EXPECT_EQ (parametersOutOfRange (processor), juce::String());

    // What is left still saves and loads as itself.
    ZelkProcessor reloaded;
    loadState (reloaded, saveState (processor));
    EXPECT_EQ (stateXml (reloaded), stateXml (processor));
    processor.setPlayHead (nullptr);
}
