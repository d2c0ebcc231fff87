#include "ui/canvas/NotePainting.h"

#include "core/PatternMath.h"
#include "ui/canvas/GraphStroke.h"
#include "ui/canvas/NoteLayer.h"
#include "ui/canvas/NoteLineSampling.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/Captions.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr int glideSegments = 64;
constexpr float haloWidthSelected = 17.0f;
constexpr float haloWidth = 12.0f;
constexpr float glideWidthSelected = 3.0f;
// How far beyond the clip a note's pieces can still reach into it: the label runs 80 pixels right
// of the start, the halo half its width around the line.
constexpr float labelReach = 90.0f;
constexpr float strokeReach = haloWidthSelected / 2.0f + 2.0f;
// A stroked path's mitred joints reach out up to three times its width.
constexpr float glideReach = 3.0f * glideWidthSelected + 1.0f;
// Lines are sampled and measured this far beyond the clip, so that what lies inside it comes out
// the same whatever the clip.
constexpr float sampleReach = strokeReach + 4.0f;
// Lines are measured on quarter-pixel columns; the strokes sample every few of them.
constexpr float columnWidth = 0.25f;
constexpr int lineColumns = 1;
constexpr int haloColumns = 8;

juce::Colour noteColour (const paperstyle::Palette& p, int slot)
{
    switch (slot % 3)
    {
        case 0:
            return p.accent;
        case 1:
            return p.accent2;
        default:
            return p.accent.interpolatedWith (p.ink, 0.3f);
    }
}

int pathSegments (const Note& note) noexcept
{
    if (! note.vibOn)
        return 32;

    const auto segments = std::ceil (note.vibCycles * 32.0 / std::max ((double) note.vibEnd - note.vibStart, 0.001));
    return (int) std::clamp (segments, 64.0, 2048.0);
}

// Where the pieces of a note's drawing lie on the canvas.
struct NoteGeometry
{
    NoteGeometry (const PaintFrame& f, const Note& note, const Note* nextNote, int slot, bool isSelected)
        : next (nextNote)
        , glides (next != nullptr && isConnected (note, slot, *next))
        , selected (isSelected)
        , shift (f.canvas.displayKey (note) - note.pitch)
        , startX (f.x (note.start))
        , endX (f.x ((double) note.start + note.duration))
        , reachRight (glides ? std::max (endX, f.x (next->start)) : endX)
        , firstPoint (startX, f.y (pitchAt (note, next, note.start, f.bend) + shift))
        , lastPoint (endX, f.y (pitchAt (note, next, (double) note.start + note.duration, f.bend) + shift))
        , dot (juce::Rectangle<float> (8.0f, 8.0f).withCentre (firstPoint))
        , endHandle (juce::Rectangle<float> (6.0f, 10.0f).withCentre (lastPoint))
        , label ((int) firstPoint.x + 10, (int) firstPoint.y - 24, 70, 21)
    {
        if (glides)
        {
            glideEnd = next->start;
            glideStart = std::max (glideEnd - note.glide, (double) note.start);
            glideFrom = std::min ((double) note.start + note.duration, glideStart);
        }
    }

    // Nothing of a note entirely beside the clip can show.
    bool isBeside (float clipLeft, float clipRight) const noexcept
    {
        return std::max (reachRight, startX + labelReach) < clipLeft - strokeReach || startX > clipRight + strokeReach;
    }

    bool lineReaches (float clipLeft, float clipRight) const noexcept
    {
        return endX >= clipLeft - strokeReach && startX <= clipRight + strokeReach;
    }

    const Note* next;
    bool glides, selected;
    int shift;
    float startX, endX, reachRight;
    juce::Point<float> firstPoint, lastPoint;
    juce::Rectangle<float> dot, endHandle;
    juce::Rectangle<int> label;
    double glideFrom = 0.0, glideStart = 0.0, glideEnd = 0.0;
};

// The points of the note's drawn line over the part of the note that can reach the clip.
void linePoints (PaintFrame& f, const Note& note, const NoteGeometry& shape, float clipLeft, float clipRight)
{
    const auto n = pathSegments (note);

    // Points j run left to right at a fixed spacing, so the visible ones form one index range;
    // one point beyond each side keeps the line running into the clip edge.
    const auto x0 = shape.startX;
    const auto spacing = ((double) shape.endX - x0) / n;
    auto first = 0, last = n;

    if (spacing > 0.0)
    {
        first = std::clamp ((int) std::floor ((clipLeft - sampleReach - x0) / spacing) - 1, 0, n);
        last = std::clamp ((int) std::ceil ((clipRight + sampleReach - x0) / spacing) + 1, first, n);
    }

    sampleNotePitches (note, shape.next, f.bend, n, first, last, f.pitches);
    f.points.clear();

    for (int j = first; j <= last; ++j)
        f.points.emplace_back (f.x (note.start + (double) note.duration * j / n),
                               f.y (f.pitches[(size_t) (j - first)] + shape.shift));
}

// The glide from where the note's own line gives way to the next note's start.
void glidePoints (PaintFrame& f, const Note& note, const NoteGeometry& shape)
{
    const auto glideY = [&] (double t) { return f.y (pitchAt (note, shape.next, t, f.bend) + shape.shift); };
    f.points.clear();
    f.points.emplace_back (f.x (shape.glideFrom), glideY (shape.glideFrom));

    for (int i = 1; i <= glideSegments; ++i)
    {
        const auto t = shape.glideFrom + (shape.glideEnd - shape.glideFrom) * i / glideSegments;
        f.points.emplace_back (f.x (t), glideY (t));
    }
}

juce::Rectangle<float> glideHandle (PaintFrame& f, const Note& note, const NoteGeometry& shape)
{
    const auto y = f.y (pitchAt (note, shape.next, shape.glideStart, f.bend) + shape.shift);
    return juce::Rectangle<float> (10.0f, 10.0f).withCentre ({ f.x (shape.glideStart), y });
}

// The line stroked with round joints and caps, as the outline of the area it covers: stroking a
// fast vibrato's thousands of points as a path costs milliseconds a note. The narrow line's edges
// show, so it is built on quarter-pixel columns; the faint halo on two-pixel ones. Leaves the
// line's points in the frame.
NoteOutline lineOutline (PaintFrame& f, const Note& note, const NoteGeometry& shape, float clipLeft, float clipRight)
{
    linePoints (f, note, shape, clipLeft, clipRight);
    // The columns lie on one lattice for every clip: the halo's coarse columns start on even pixels.
    const auto left = std::max (clipLeft - sampleReach, shape.startX - strokeReach);
    const auto haloSpacing = columnWidth * (float) haloColumns;
    f.columns.measure (f.points, columnWidth, std::floor (left / haloSpacing) * haloSpacing,
                       std::min (clipRight + sampleReach, shape.endX + strokeReach));
    return { graphStrokeOutline (f.columns, shape.selected ? haloWidthSelected : haloWidth, haloColumns),
             graphStrokeOutline (f.columns, shape.selected ? 3.5f : 2.5f, lineColumns), false };
}

NoteGeometry geometryOf (const PaintFrame& f, int slot)
{
    const auto& note = f.notes[(size_t) slot];
    const auto hasNext = note.next >= 0 && note.next < slotCount;
    return { f, note, hasNext ? &f.notes[(size_t) note.next] : nullptr, slot, f.canvas.isSelected (slot) };
}

// The boxes of a polyline's segments, each grown by `margin`.
void addSegments (const std::vector<juce::Point<float>>& points, float margin, StripSpans& spans,
                  juce::Rectangle<float>& reach)
{
    for (size_t i = 0; i < points.size(); ++i)
    {
        const auto box = juce::Rectangle<float> (points[i], points[i == 0 ? 0 : i - 1]).expanded (margin);
        spans.add (box);
        reach = reach.isEmpty() ? box : reach.getUnion (box);
    }
}
} // namespace

void paintNote (PaintFrame& f, int slot, juce::Rectangle<int> clip, juce::Rectangle<float>& reach, NoteOutline* learnt,
                const NoteOutline* kept)
{
    // A kept outline is filled where the clip spans most of the line: filling costs its whole
    // length, measuring only the clip's.
    constexpr float keptOutlineShare = 0.5f;

    const auto& note = f.notes[(size_t) slot];
    const auto& p = f.palette;
    const auto shape = geometryOf (f, slot);
    const auto clipLeft = (float) clip.getX(), clipRight = (float) clip.getRight();

    if (shape.isBeside (clipLeft, clipRight))
        return;

    const auto colour = noteColour (p, slot);
    const auto selected = shape.selected;
    const auto lineColour = colour.withAlpha (selected ? 1.0f : 0.78f);

    const auto cover = [&reach] (juce::Rectangle<float> area, float margin)
    { reach = reach.isEmpty() ? area.expanded (margin) : reach.getUnion (area.expanded (margin)); };

    if (shape.lineReaches (clipLeft, clipRight))
    {
        const auto shown = std::min (shape.endX, f.grid.getRight()) - std::max (shape.startX, f.grid.getX());
        const auto fillKept = kept != nullptr && kept->measured
                              && std::min (shape.endX, clipRight) - std::max (shape.startX, clipLeft)
                                     >= keptOutlineShare * shown;
        NoteOutline measured;

        if (! fillKept)
        {
            measured = lineOutline (f, note, shape, clipLeft, clipRight);
            cover (juce::Rectangle<float>::findAreaContainingPoints (f.points.data(), (int) f.points.size()),
                   strokeReach);
        }

        const auto& outline = fillKept ? *kept : measured;
        f.g.setColour (colour.withAlpha (selected ? 0.14f : 0.08f));
        f.g.fillPath (outline.halo);
        f.g.setColour (lineColour);
        f.g.fillPath (outline.line);

        if (learnt != nullptr)
        {
            *learnt = std::move (measured);
            learnt->measured = true;
        }
    }

    if (shape.glides)
    {
        glidePoints (f, note, shape);
        juce::Path glide;
        glide.startNewSubPath (f.points.front());

        for (size_t i = 1; i < f.points.size(); ++i)
            glide.lineTo (f.points[i]);

        f.g.setColour (p.accent);
        f.g.strokePath (glide, juce::PathStrokeType (selected ? glideWidthSelected : 2.0f));
        cover (glide.getBounds(), glideReach);

        if (selected)
        {
            const auto handle = glideHandle (f, note, shape);
            cover (handle, 2.0f);
            f.g.setColour (p.paper);
            f.g.fillRect (handle);
            f.g.setColour (p.accent);
            f.g.drawRect (handle, 1.5f);
        }
    }

    f.g.setColour (shape.glides ? p.accent : lineColour);
    f.g.fillEllipse (shape.dot);
    f.g.fillRoundedRectangle (shape.endHandle, 1.0f);
    cover (shape.dot, 1.0f);
    cover (shape.endHandle, 1.0f);

    const auto labelKey = std::clamp ((int) std::lround (f.canvas.displayPitchAt (note, 0.0)), 0, 127);
    f.g.setColour (colour);
    f.g.setFont (paperstyle::captionFont (12.0f / 1.2f));
    f.g.drawText (noteName (labelKey), shape.label, juce::Justification::centredLeft, true);
    cover (shape.label.toFloat(), 2.0f);
}

juce::Rectangle<float> noteFootprint (PaintFrame& f, const Note& note, const Note* next, int slot, bool selected,
                                      StripSpans& spans)
{
    juce::Rectangle<float> reach;
    const NoteGeometry shape (f, note, next, slot, selected);
    const auto gridLeft = std::floor (f.grid.getX()), gridRight = std::ceil (f.grid.getRight());

    if (! note.on || shape.isBeside (gridLeft, gridRight))
        return reach;

    const auto add = [&] (juce::Rectangle<float> area, float margin)
    {
        spans.add (area.expanded (margin));
        reach = reach.isEmpty() ? area.expanded (margin) : reach.getUnion (area.expanded (margin));
    };

    // One pixel more than the paint's own reach everywhere: the antialiased edge.
    if (shape.lineReaches (gridLeft, gridRight))
    {
        linePoints (f, note, shape, gridLeft, gridRight);
        addSegments (f.points, strokeReach + 1.0f, spans, reach);
    }

    if (shape.glides)
    {
        glidePoints (f, note, shape);
        addSegments (f.points, glideReach + 1.0f, spans, reach);

        if (selected)
            add (glideHandle (f, note, shape), 3.0f);
    }

    add (shape.dot, 2.0f);
    add (shape.endHandle, 2.0f);
    add (shape.label.toFloat(), 3.0f);
    return reach;
}

} // namespace zelk
