// MIDI files: import of a full file, and the export of one loop end to end (private processor,
// state copy, render and file writing included).
#include "core/ZelkProcessor.h"
#include "midi/LoopDragFile.h"
#include "midi/MidiImport.h"
#include "midi/MpeExport.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
void writePattern (ZelkProcessor& processor, int notes, double loopBeats)
{
    const auto spacing = (float) (loopBeats / notes);

    for (int slot = 0; slot < notes; ++slot)
    {
        Note note;
        note.on = true;
        note.pitch = 48 + slot % 24;
        note.start = spacing * (float) slot;
        note.duration = spacing * 1.5f;
        note.vibOn = slot % 3 == 0;
        note.curves[pitchCurve][16] = 0.05f;
        processor.writeNote (slot, note);
    }
}

void exportLoop (benchmark::State& state)
{
    ZelkProcessor processor;
    writePattern (processor, (int) state.range (0), (double) state.range (1));
    const juce::TemporaryFile target (".mid");

    for (auto _ : state)
        benchmark::DoNotOptimize (exportMpeMidi (processor, target.getFile()));
}
BENCHMARK (exportLoop)->Args ({ 16, 4 })->Args ({ 128, 256 })->Unit (benchmark::kMillisecond);

// DRAG MIDI: the render and the file write between the pointer leaving the window and the drag
// starting (goal: well inside 150 ms for a 4-beat loop).
void dragLoopFile (benchmark::State& state)
{
    ZelkProcessor processor;
    writePattern (processor, (int) state.range (0), (double) state.range (1));
    const juce::TemporaryFile folder;

    for (auto _ : state)
        benchmark::DoNotOptimize (writeLoopDragFile (processor, folder.getFile()).ok());

    folder.getFile().deleteRecursively();
}
BENCHMARK (dragLoopFile)->Args ({ 16, 4 })->Unit (benchmark::kMillisecond);

void importFullFile (benchmark::State& state)
{
    juce::MidiMessageSequence track;

    for (int i = 0; i < 128; ++i)
    {
        track.addEvent (juce::MidiMessage::noteOn (1, 40 + i % 40, (juce::uint8) 100), i * 240);
        track.addEvent (juce::MidiMessage::noteOff (1, 40 + i % 40), i * 240 + 200);
        track.addEvent (juce::MidiMessage::pitchWheel (1, 8192 + i), i * 240 + 10);
    }

    track.sort();
    juce::MidiFile file;
    file.setTicksPerQuarterNote (480);
    file.addTrack (track);
    juce::MemoryBlock bytes;
    {
        juce::MemoryOutputStream out (bytes, false);
        file.writeTo (out, 1);
    }

    for (auto _ : state)
    {
        juce::MemoryInputStream in (bytes, false);
        auto result = readMidiNotes (in);
        benchmark::DoNotOptimize (result.notes.data());
    }
}
BENCHMARK (importFullFile)->Unit (benchmark::kMicrosecond);
} // namespace
