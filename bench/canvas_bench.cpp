#include "bench/EnginePatterns.h"
#include "core/ZelkProcessor.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/Look.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

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

    void paintFrame()
    {
        juce::Graphics g (frame);
        canvas.paint (g);
        benchmark::ClobberMemory();
    }

    void paintFrames (benchmark::State& state)
    {
        for (auto _ : state)
            paintFrame();
    }

    ZelkProcessor processor;
    paperstyle::Look look;
    ZelkCanvas canvas { processor };
    juce::Image frame { juce::Image::ARGB, canvasWidth, canvasHeight, true };
};

using PatternWriter = void (*) (ZelkProcessor&);

// A frame benchmark run on each of some patterns, named after the pattern and what it times:
// "paintTypicalPattern" + "Playing".
struct NamedPattern
{
    const char* name;
    PatternWriter write;
};

const NamedPattern typicalPattern { "paintTypicalPattern", writeTypicalPattern },
    worstCasePattern { "paintWorstCasePattern", writeWorstCasePattern },
    longVibratoNotes { "paintLongVibratoNotes", writeLongNotesPattern };

bool registerOnPatterns (const char* what, void (*run) (benchmark::State&, PatternWriter),
                         std::initializer_list<NamedPattern> patterns)
{
    for (const auto& pattern : patterns)
        benchmark::RegisterBenchmark ((std::string (pattern.name) + what).c_str(), run, pattern.write)
            ->Unit (benchmark::kMillisecond);

    return true;
}

juce::MouseEvent pointerAt (ZelkCanvas& canvas, juce::Point<float> position, bool dragged, juce::Point<float> press)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(),
             position,
             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
             juce::MouseInputSource::defaultPressure,
             juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation,
             juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY,
             &canvas,
             &canvas,
             now,
             press,
             now,
             1,
             dragged };
}

// The steps a gesture takes while the pointer moves between two positions, alternately.
void dragBetween (benchmark::State& state, ZelkCanvas& canvas, juce::Point<float> press, juce::Point<float> a,
                  juce::Point<float> b)
{
    auto flip = false;

    for (auto _ : state)
    {
        canvas.mouseDrag (pointerAt (canvas, flip ? a : b, true, press));
        flip = ! flip;
    }

    canvas.mouseUp (pointerAt (canvas, a, true, press));
}

// (a) A stroke across the whole grid in 200 steps; each further step goes back and forth over its
// last step, rewriting start, duration and the 33 curve points.
void newStrokeStep (benchmark::State& state)
{
    CanvasOnAProcessor c;
    auto& canvas = c.canvas;
    const auto grid = canvas.gridArea();
    const auto yAt = [&] (int i) { return grid.getY() + grid.getHeight() * (0.3f + 0.4f * (float) (i % 17) / 17.0f); };
    const auto xAt = [&] (int i) { return grid.getX() + 13.0f + (grid.getWidth() - 26.0f) * (float) i / 200.0f; };
    const juce::Point<float> press (xAt (0), yAt (0));
    canvas.mouseDown (pointerAt (canvas, press, false, press));

    for (int i = 1; i <= 200; ++i)
        canvas.mouseDrag (pointerAt (canvas, { xAt (i), yAt (i) }, true, press));

    if (c.processor.readNote (0).duration < 15.0f)
        state.SkipWithError ("the stroke does not cross the grid");

    dragBetween (state, canvas, press, { xAt (199), yAt (199) }, { xAt (200), yAt (200) });
}
BENCHMARK (newStrokeStep)->Unit (benchmark::kMicrosecond);

// (b) One step of moving 128 selected notes with the edit tool.
void moveGroupStep (benchmark::State& state)
{
    CanvasOnAProcessor c;
    auto& canvas = c.canvas;

    for (int slot = 0; slot < slotCount; ++slot)
        c.processor.writeNote (slot, bench::noteAt ((float) (slot % 16), 0.75f, 50 + slot / 16));

    for (int slot = 0; slot < slotCount; ++slot)
        canvas.selection.insert (slot);

    canvas.tool = ZelkCanvas::Tool::edit;
    const juce::Point<float> press (canvas.beatToX (4.3), canvas.pitchToY (50.0));
    canvas.mouseDown (pointerAt (canvas, press, false, press));
    dragBetween (state, canvas, press, press.translated (140.0f, -30.0f), press.translated (210.0f, -60.0f));
}
BENCHMARK (moveGroupStep)->Unit (benchmark::kMicrosecond);

// (c) One step of redrawing a note's pitch line, across half the note.
void curveRedrawStep (benchmark::State& state)
{
    CanvasOnAProcessor c;
    auto& canvas = c.canvas;
    c.processor.writeNote (0, bench::noteAt (1.0f, 12.0f, 60));
    const juce::Point<float> press (canvas.beatToX (2.0), canvas.pitchToY (60.0));
    canvas.mouseDown (pointerAt (canvas, press, false, press));
    dragBetween (state, canvas, press, { canvas.beatToX (3.0), canvas.pitchToY (63.0) },
                 { canvas.beatToX (9.0), canvas.pitchToY (57.0) });
}
BENCHMARK (curveRedrawStep)->Unit (benchmark::kMicrosecond);

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

// The frames of a playing pattern: the playhead moves and a note sounds under it in every frame,
// over the note layer kept from the frame before.
void paintPlayingFrames (benchmark::State& state, PatternWriter writePattern)
{
    CanvasOnAProcessor c;
    writePattern (c.processor);
    c.processor.isPlaying = true;
    auto position = 0.0;

    for (auto _ : state)
    {
        position = std::fmod (position + 0.05, 16.0);
        c.processor.displayPosition = position;
        c.processor.soundingPitch[0] = 60.0f + (float) position;
        c.paintFrame();
    }
}
const auto playing = registerOnPatterns ("Playing", paintPlayingFrames,
                                         { typicalPattern, worstCasePattern, longVibratoNotes });

// Every frame after a change of the pattern (a drag step, automation) draws the notes again.
void paintAfterEachChange (benchmark::State& state, PatternWriter writePattern)
{
    CanvasOnAProcessor c;
    writePattern (c.processor);
    auto flip = false;

    for (auto _ : state)
    {
        c.processor.setParameterValue ("note1_velocity", (flip = ! flip) ? 90.0f : 100.0f);
        c.paintFrame();
    }
}
const auto changing = registerOnPatterns ("Changing", paintAfterEachChange,
                                          { typicalPattern, worstCasePattern, longVibratoNotes });

// The frames of a drag on a heavy pattern: the press, drag steps through `path`, and then each
// iteration is one drag step, between the two last points of the path alternately, and the paint
// of the frame after it.
void paintDragFrames (benchmark::State& state, CanvasOnAProcessor& c, const std::vector<juce::Point<float>>& path)
{
    auto& canvas = c.canvas;

    // The frames before the press, as an open window has painted them.
    c.paintFrame();
    c.paintFrame();
    const auto press = path.front();
    canvas.mouseDown (pointerAt (canvas, press, false, press));
    c.paintFrame();

    for (const auto& point : path)
        canvas.mouseDrag (pointerAt (canvas, point, true, press));

    c.paintFrame();
    const auto a = path[path.size() - 2], b = path.back();
    auto flip = false;

    for (auto _ : state)
    {
        canvas.mouseDrag (pointerAt (canvas, (flip = ! flip) ? a : b, true, press));
        c.paintFrame();
    }

    canvas.mouseUp (pointerAt (canvas, b, true, press));
}

// The pen draws over the pattern (its last slot left free for the new note): strokes of twelve
// beats from an empty row leftwards down across the notes and back up, one step of 0.08 beat
// (6 pixels) and the frame after it per iteration, so that the note grows by a sixteenth every
// third step and its whole line is drawn anew.
void paintStrokeSteps (benchmark::State& state, PatternWriter writePattern)
{
    CanvasOnAProcessor c;
    writePattern (c.processor);
    auto& canvas = c.canvas;
    constexpr int stepsPerStroke = 150;
    const auto pointAt = [&] (int step)
    {
        const auto pitch = 67.0 - 5.0 * std::sin (3.14159 * step / stepsPerStroke) + 0.6 * std::sin (step * 0.3);
        return juce::Point<float> (canvas.beatToX (14.1 - 0.08 * step), canvas.pitchToY (pitch));
    };
    const auto press = pointAt (0);
    const auto beginStroke = [&]
    {
        c.processor.setParameterValue ("note128_on", 0.0f);
        canvas.mouseDown (pointerAt (canvas, press, false, press));
        c.paintFrame();
    };

    c.paintFrame();
    c.paintFrame();
    beginStroke();
    auto step = 0;

    for (auto _ : state)
    {
        if (++step > stepsPerStroke)
        {
            state.PauseTiming();
            canvas.mouseUp (pointerAt (canvas, pointAt (stepsPerStroke), true, press));
            beginStroke();
            step = 1;
            state.ResumeTiming();
        }

        canvas.mouseDrag (pointerAt (canvas, pointAt (step), true, press));
        c.paintFrame();
    }

    canvas.mouseUp (pointerAt (canvas, pointAt (step), true, press));
    const auto note = c.processor.readNote (127);

    if (! note.on || note.duration < 0.08 * std::min (step, stepsPerStroke))
        state.SkipWithError ("the stroke draws no note of its length");
}

const auto strokeSteps = registerOnPatterns ("StrokeStep", paintStrokeSteps, { worstCasePattern, longVibratoNotes });

// The edit tool drags one note of the pattern, the topmost where it is pressed, a row up and half
// a beat on, and back.
void paintNoteMoves (benchmark::State& state, PatternWriter writePattern)
{
    CanvasOnAProcessor c;
    writePattern (c.processor);
    auto& canvas = c.canvas;
    canvas.tool = ZelkCanvas::Tool::edit;
    constexpr int slot = 110;
    const auto note = c.processor.readNote (slot);
    const juce::Point<float> press (canvas.beatToX (note.start + note.duration * 0.3),
                                    canvas.pitchToY (canvas.displayPitchAt (note, 0.3)));

    if (canvas.hitTestNote (press) != slot)
        state.SkipWithError ("the press misses the note");

    const auto moved = press.translated (canvas.beatToX (0.5) - canvas.beatToX (0.0), -canvas.rowHeight());
    paintDragFrames (state, c, { press, press, moved });

    if (c.processor.readNote (slot).start == note.start)
        state.SkipWithError ("the note does not move");
}

const auto noteMoves = registerOnPatterns ("NoteMove", paintNoteMoves, { worstCasePattern, longVibratoNotes });

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
