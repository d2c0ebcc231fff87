#include "core/ZelkProcessor.h"
#include "editing/CanvasEditState.h"
#include "editing/UndoHistory.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
// Every slot on, with values in every field, so nothing is skipped anywhere.
void fillEverySlot (ZelkProcessor& processor, int seed)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        Note note;
        note.on = true;
        note.pitch = 30 + (slot + seed) % 60;
        note.next = (slot + 1) % slotCount;
        note.start = (float) slot * 2.0f + (float) seed * 0.25f;
        note.duration = 1.5f + (float) (seed % 3);
        note.vibOn = (slot + seed) % 2 == 0;

        for (auto& curve : note.curves)
            for (int i = 0; i < curvePointCount; ++i)
                curve[(size_t) i] = 0.01f * (float) ((i * 7 + slot + seed) % 50);

        processor.writeNote (slot, note);
    }
}

// Stands in for the host: the plug-in wrapper listens to every parameter change and gesture.
struct HostStandIn : juce::AudioProcessorListener
{
    int64_t changes = 0;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++changes; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override {}
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override {}
};

void takeSnapshotOfAFullPattern (benchmark::State& state)
{
    ZelkProcessor processor;
    fillEverySlot (processor, 1);
    UndoHistory history (processor);

    for (auto _ : state)
    {
        auto snapshot = history.takeSnapshot();
        benchmark::DoNotOptimize (snapshot);
    }
}
BENCHMARK (takeSnapshotOfAFullPattern)->Unit (benchmark::kMicrosecond);

void pushUndoOnAFullHistory (benchmark::State& state)
{
    ZelkProcessor processor;
    fillEverySlot (processor, 1);
    UndoHistory history (processor);

    for (size_t i = 0; i < UndoHistory::maximumSteps; ++i)
        history.pushUndo();

    for (auto _ : state)
        history.pushUndo();
}
BENCHMARK (pushUndoOnAFullHistory)->Unit (benchmark::kMicrosecond);

// One iteration is one undo or one redo of a step in which all 128 notes differ: every field of
// every slot and the four loop values go back through the processor with host notification.
void fullUndoRestore (benchmark::State& state)
{
    ZelkProcessor processor;
    HostStandIn host;
    processor.addListener (&host);
    CanvasEditState canvas;
    UndoHistory history (processor);

    fillEverySlot (processor, 1);
    history.pushUndo();
    fillEverySlot (processor, 2);
    bool undoNext = true;

    for (auto _ : state)
    {
        if (undoNext)
            history.undo (canvas);
        else
            history.redo (canvas);

        undoNext = ! undoNext;
    }

    state.counters["parameterChanges"] = benchmark::Counter ((double) host.changes, benchmark::Counter::kAvgIterations);
    processor.removeListener (&host);
}
BENCHMARK (fullUndoRestore)->Unit (benchmark::kMillisecond);
} // namespace
