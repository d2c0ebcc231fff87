#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

namespace zelk
{
// A polyline whose x never decreases (a note's pitch line), reduced to its own vertical extent in
// each column of a lattice: column k is centred on x0 + k * step and one step wide.
struct GraphColumns
{
    float x0 = 0.0f;
    float step = 0.25f;
    std::vector<float> top, bottom; // +infinity and -infinity where the line does not pass

    // Measures the line over left..right; the lattice starts on a whole pixel.
    void measure (const std::vector<juce::Point<float>>& points, float stepWidth, float left, float right);
};

// The outline of what a stroke of `width` with round joints and caps covers along the measured
// line. For such a line the covered part of every column is one run, so the outline is the runs'
// top edge left to right and their bottom edge back, sampled every `stride` columns. Unlike a
// stroked path it never overlaps itself, however many points the line has, which keeps it cheap
// to fill; a fast vibrato of thousands of points costs about as much as its width in pixels.
juce::Path graphStrokeOutline (const GraphColumns& columns, float width, int stride);

} // namespace zelk
