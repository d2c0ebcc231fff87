#include "bench/EnginePatterns.h"
#include "core/ZelkProcessor.h"
#include "ui/editor/ZelkEditor.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
// Paints the parts of the window that a repaint asked for, as the window's peer does: the
// window and every child that overlaps each area.
void paintAreas (ZelkEditor& editor, juce::Image& image, std::initializer_list<juce::Rectangle<int>> areas)
{
    juce::Graphics g (image);

    for (const auto& area : areas)
    {
        juce::Graphics::ScopedSaveState saved (g);
        g.reduceClipRegion (area);
        editor.paintEntireComponent (g, true);
    }
}

// A processor playing the typical pattern on its own clock, one block between frames.
struct PlayingProcessor
{
    PlayingProcessor()
    {
        bench::typicalPattern (processor);
        processor.prepareToPlay (bench::sampleRate, bench::blockSize);
        processor.playRequested = true;
    }

    void playOneFrame()
    {
        // A 30 Hz frame is about three blocks of 512 at 48 kHz.
        for (int i = 0; i < 3; ++i)
        {
            midi.clear();
            processor.processBlock (audio, midi);
        }
    }

    ZelkProcessor processor;
    juce::AudioBuffer<float> audio { 2, bench::blockSize };
    juce::MidiBuffer midi;
};
} // namespace

// Opening the window: construction and its first whole paint.
static void BM_EditorOpens (benchmark::State& state)
{
    ZelkProcessor processor;
    bench::typicalPattern (processor);

    for (auto _ : state)
    {
        ZelkEditor editor (processor);
        benchmark::DoNotOptimize (editor.createComponentSnapshot (editor.getLocalBounds()));
    }
}
BENCHMARK (BM_EditorOpens)->Unit (benchmark::kMillisecond);

// A whole-window paint, as after a page or theme change.
static void BM_EditorFullPaint (benchmark::State& state)
{
    ZelkProcessor processor;
    bench::typicalPattern (processor);
    ZelkEditor editor (processor);
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);

    for (auto _ : state)
        paintAreas (editor, image, { editor.getLocalBounds() });
}
BENCHMARK (BM_EditorFullPaint)->Unit (benchmark::kMillisecond);

// One timer tick when nothing has changed since the last.
static void BM_EditorQuietTick (benchmark::State& state)
{
    ZelkProcessor processor;
    bench::typicalPattern (processor);
    ZelkEditor editor (processor);
    editor.tick();

    for (auto _ : state)
        editor.tick();
}
BENCHMARK (BM_EditorQuietTick)->Unit (benchmark::kMicrosecond);

// One 30 Hz frame while the pattern plays: the tick and the paints it asks for (the piano roll,
// the three badges and the footer).
static void BM_EditorPlayingFrame (benchmark::State& state)
{
    PlayingProcessor playing;
    ZelkEditor editor (playing.processor);
    const auto layout = editor.layout();
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    const auto badges = layout.lfoBadge (0).getUnion (layout.lfoBadge (2));

    for (auto _ : state)
    {
        state.PauseTiming();
        playing.playOneFrame();
        state.ResumeTiming();

        editor.tick();
        paintAreas (editor, image, { layout.canvas(), badges, layout.footer() });
    }
}
BENCHMARK (BM_EditorPlayingFrame)->Unit (benchmark::kMillisecond);
