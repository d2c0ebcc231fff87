#pragma once

#include "core/Note.h"
#include "ui/canvas/CanvasGesture.h"
#include "ui/canvas/GraphStroke.h"
#include "ui/style/Palette.h"

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <vector>

namespace zelk
{
class ZelkCanvas;
struct NoteLayer;

// Everything a paint needs, read once: the view as linear maps, the controls and the pattern.
struct PaintFrame
{
    PaintFrame (const ZelkCanvas& canvas, juce::Graphics& graphics);

    const ZelkCanvas& canvas;
    juce::Graphics& g;
    paperstyle::Palette palette;
    juce::Rectangle<float> grid;
    bool dark = false;
    double bend = 0.0;

    // x = xOffset + beat * xScale, y = yOffset - pitch * yScale: beatToX and pitchToY.
    double xScale = 0.0, xOffset = 0.0, yScale = 0.0, yOffset = 0.0;

    std::array<Note, slotCount> notes;
    // Reused by every note.
    std::vector<double> pitches;
    std::vector<juce::Point<float>> points;
    GraphColumns columns;

    float x (double beat) const noexcept { return (float) (xOffset + beat * xScale); }
    float y (double pitch) const noexcept { return (float) (yOffset - pitch * yScale); }
};

// Reads the 128 slots into the frame, once for everything it paints.
void readPattern (PaintFrame& f);

// The canvas's paint in two parts. The note layer: background, rows and keys, time selection,
// beat grid, then the frame's notes clipped to the grid; returns whether any slot is on. With
// `layer` given the sounding dots are left out (they are drawn over the kept layer), and the layer
// learns what each note covers and how it was drawn; or, for a `part` of the kept layer, the notes
// whose reach misses the clip are left out too. Then the overlays: the box being dragged, the
// playhead, the hover line, the lines of an empty pattern and the outline.
bool paintNoteLayer (PaintFrame& f, NoteLayer* layer, bool part = false);
void paintOverlays (PaintFrame& f, const CanvasGesture& gesture, bool anyNote);
void paintSoundingDot (PaintFrame& f, int slot);

} // namespace zelk
