#include "bench/EnginePatterns.h"
#include "core/ZelkProcessor.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/Look.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace zelk;

namespace
{
constexpr int canvasWidth = 1216;
constexpr int canvasHeight = 658;

// Sixteen notes over the default view: a short melody, two notes with vibrato, one glide.
void writeTypicalPattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < 16; ++slot)
    {
        auto note = bench::noteAt ((float) slot, 0.75f, 52 + (slot * 5) % 17);

        for (int i = 0; i < curvePointCount; ++i)
            note.curves[pitchCurve][(size_t) i] = (slot % 4 == 1) ? (float) i / 32.0f / 48.0f : 0.0f;

        note.vibOn = slot == 5 || slot == 11;
        note.vibCycles = 4.0f;
        note.next = slot == 8 ? 9 : -1;
        processor.writeNote (slot, note);
    }
}

// Every slot visible at once under a fast vibrato (paths of 1537 to 2049 points): eight two-beat
// notes side by side on each of 16 rows.
void writeWorstCasePattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        auto note = bench::noteAt ((float) (slot % 8) * 2.0f, 2.0f, 50 + slot / 8);
        note.vibOn = true;
        note.vibCycles = 48.0f + (float) (slot % 17);
        processor.writeNote (slot, note);
    }
}

// The same, but every note half the view long, so each vibrato cycle spans several pixels and the
// lines zigzag instead of filling a band: the most outline a frame can have.
void writeLongNotesPattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        auto note = bench::noteAt ((float) (slot % 16) * 0.5f, 8.0f, 48 + slot % 24);
        note.vibOn = true;
        note.vibCycles = 48.0f + (float) (slot % 17);
        processor.writeNote (slot, note);
    }
}

struct CanvasOnAProcessor
{
    CanvasOnAProcessor()
    {
        look.setTheme (paperstyle::lightTheme);
        canvas.setLookAndFeel (&look);
        canvas.setSize (canvasWidth, canvasHeight);
    }

    ~CanvasOnAProcessor() { canvas.setLookAndFeel (nullptr); }

    void paintFrames (benchmark::State& state)
    {
        juce::Image image (juce::Image::ARGB, canvasWidth, canvasHeight, true);

        for (auto _ : state)
        {
            juce::Graphics g (image);
            canvas.paint (g);
            benchmark::ClobberMemory();
        }
    }

    ZelkProcessor processor;
    paperstyle::Look look;
    ZelkCanvas canvas { processor };
};

void paintEmptyCanvas (benchmark::State& state)
{
    CanvasOnAProcessor c;
    c.paintFrames (state);
}
BENCHMARK (paintEmptyCanvas)->Unit (benchmark::kMillisecond);

void paintTypicalPattern (benchmark::State& state)
{
    CanvasOnAProcessor c;
    writeTypicalPattern (c.processor);
    c.canvas.selection = { 8 };
    c.paintFrames (state);
}
BENCHMARK (paintTypicalPattern)->Unit (benchmark::kMillisecond);

void paintWorstCasePattern (benchmark::State& state)
{
    CanvasOnAProcessor c;
    writeWorstCasePattern (c.processor);
    c.paintFrames (state);
}
BENCHMARK (paintWorstCasePattern)->Unit (benchmark::kMillisecond);

void paintLongVibratoNotes (benchmark::State& state)
{
    CanvasOnAProcessor c;
    writeLongNotesPattern (c.processor);
    c.paintFrames (state);
}
BENCHMARK (paintLongVibratoNotes)->Unit (benchmark::kMillisecond);

// The playhead's strip alone, as the 30 Hz repaint of a playing pattern may ask for it.
void paintWorstCaseStrip (benchmark::State& state)
{
    CanvasOnAProcessor c;
    writeLongNotesPattern (c.processor);
    juce::Image image (juce::Image::ARGB, canvasWidth, canvasHeight, true);

    for (auto _ : state)
    {
        juce::Graphics g (image);
        g.reduceClipRegion (500, 0, 24, canvasHeight);
        c.canvas.paint (g);
        benchmark::ClobberMemory();
    }
}
BENCHMARK (paintWorstCaseStrip)->Unit (benchmark::kMillisecond);

// For comparison: the worst case's note lines stroked as plain 2049-point paths, as a direct
// implementation would draw them.
void strokeWorstCaseLinesAsPaths (benchmark::State& state)
{
    CanvasOnAProcessor c;
    writeWorstCasePattern (c.processor);
    std::vector<juce::Path> paths;

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = c.processor.readNote (slot);
        juce::Path path;

        for (int j = 0; j <= 2048; ++j)
        {
            const juce::Point<float> p (c.canvas.beatToX (note.start + note.duration * j / 2048.0),
                                        c.canvas.pitchToY (c.canvas.displayPitchAt (note, j / 2048.0)));
            j == 0 ? path.startNewSubPath (p) : path.lineTo (p);
        }

        paths.push_back (path);
    }

    juce::Image image (juce::Image::ARGB, canvasWidth, canvasHeight, true);

    for (auto _ : state)
    {
        juce::Graphics g (image);

        for (const auto& path : paths)
        {
            g.setColour (juce::Colours::blue.withAlpha (0.08f));
            g.strokePath (path,
                          juce::PathStrokeType (12.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
            g.setColour (juce::Colours::blue.withAlpha (0.78f));
            g.strokePath (path,
                          juce::PathStrokeType (2.5f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        }

        benchmark::ClobberMemory();
    }
}
BENCHMARK (strokeWorstCaseLinesAsPaths)->Unit (benchmark::kMillisecond);
} // namespace
