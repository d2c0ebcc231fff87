#include "ui/canvas/ZelkCanvas.h"

#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"
#include "ui/canvas/GraphStroke.h"
#include "ui/canvas/NoteLayer.h"
#include "ui/canvas/NoteLineSampling.h"
#include "ui/canvas/PaintFrame.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zelk
{
namespace
{
constexpr int glideSegments = 64;
constexpr float haloWidthSelected = 17.0f;
constexpr float haloWidth = 12.0f;
// How far beyond the clip a note's pieces can still reach into it: the label runs 80 pixels right
// of the start, the halo half its width around the line.
constexpr float labelReach = 90.0f;
constexpr float strokeReach = haloWidthSelected / 2.0f + 2.0f;
// Lines are sampled and measured this far beyond the clip, so that what lies inside it comes out
// the same whatever the clip.
constexpr float sampleReach = strokeReach + 4.0f;
// Lines are measured on quarter-pixel columns; the strokes sample every few of them.
constexpr float columnWidth = 0.25f;
constexpr int lineColumns = 1;
constexpr int haloColumns = 8;

juce::Font fontOfHeight (float height)
{
    return paperstyle::captionFont (height / 1.2f);
}

bool isBlackKey (int key) noexcept
{
    switch (((key % 12) + 12) % 12)
    {
        case 1:
        case 3:
        case 6:
        case 8:
        case 10:
            return true;
        default:
            return false;
    }
}

bool isDarkTheme (const paperstyle::Palette& palette) noexcept
{
    const auto paper = palette.paper;
    const auto largest = std::max ({ paper.getRed(), paper.getGreen(), paper.getBlue() });
    return largest / 255.0f < 0.3f;
}

void paintRows (PaintFrame& f)
{
    const auto& c = f.canvas;
    const auto& p = f.palette;
    const auto rows = c.rowHeight();
    const auto labelFont = fontOfHeight (std::min (rows * 0.47f, 10.0f) * 1.2f);

    for (int r = 0; r < c.visibleRows; ++r)
    {
        const auto key = c.lowestKey + c.visibleRows - 1 - r;
        const auto y = f.grid.getY() + rows * (float) r;
        const auto black = isBlackKey (key);

        f.g.setColour (black ? p.ink.withAlpha (0.035f) : p.paper.withAlpha (0.24f));
        f.g.fillRect (f.grid.getX(), y, f.grid.getWidth(), rows);

        f.g.setColour (p.rule.withAlpha (key % 12 == 0 ? 0.8f : 0.42f));
        f.g.drawHorizontalLine ((int) (y + rows), f.grid.getX(), f.grid.getRight());

        if (black)
            f.g.setColour (f.dark ? p.paper.darker (0.35f) : p.ink.withAlpha (0.82f));
        else
            f.g.setColour (f.dark ? p.surface : p.paper);

        f.g.fillRect (1.0f, y, black ? 53.0f : 73.0f, rows - 0.7f);

        f.g.setColour (black ? (f.dark ? p.ink : p.paper) : p.ink);
        f.g.setFont (labelFont);
        const auto label =
            black ? juce::Rectangle<float> (4.0f, y, 45.0f, rows) : juce::Rectangle<float> (35.0f, y, 36.0f, rows);
        f.g.drawText (noteName (key), label, juce::Justification::centredLeft, true);
    }
}

void paintTimeSelection (PaintFrame& f)
{
    const auto& processor = f.canvas.processor;

    if (! isSwitchOn (processor.raw().rangeEnabled))
        return;

    const auto start = processor.loopStart();
    const auto x1 = std::clamp (f.x (start), f.grid.getX(), f.grid.getRight());
    const auto x2 = std::clamp (f.x (start + processor.loopLength()), f.grid.getX(), f.grid.getRight());
    const auto accent = f.palette.accent;

    f.g.setColour (accent.withAlpha (0.1f));
    f.g.fillRect (x1, f.grid.getY(), x2 - x1, f.grid.getHeight());
    f.g.setColour (accent.withAlpha (0.28f));
    f.g.fillRect (x1, 0.0f, x2 - x1, 29.0f);
    f.g.setColour (accent);
    f.g.fillRect (x1, 0.0f, 2.0f, 29.0f);
    f.g.fillRect (x2 - 2.0f, 0.0f, 2.0f, 29.0f);
}

void paintBeatGrid (PaintFrame& f)
{
    for (const auto beat : f.canvas.gridBeats())
    {
        const auto x = f.x (beat);
        const auto sixteenths = (int64_t) std::llround (beat * 4.0);
        const auto bar = sixteenths % 16 == 0;
        const auto onBeat = sixteenths % 4 == 0;

        f.g.setColour (f.palette.rule.withAlpha (bar ? 0.95f : (onBeat ? 0.55f : 0.2f)));
        f.g.drawVerticalLine ((int) x, f.grid.getY(), f.grid.getBottom());

        if (onBeat)
            paperstyle::drawCaption (f.g, rulerLabel (beat), { (int) (x + 6.0f), 1, 66, 27 }, 10.0f,
                                     bar ? f.palette.ink : f.palette.muted);
    }
}

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

// The points of the note's drawn line over the part of the note that can reach the clip.
void linePoints (PaintFrame& f, const Note& note, const Note* next, int shift, float clipLeft, float clipRight)
{
    const auto n = pathSegments (note);

    // Points j run left to right at a fixed spacing, so the visible ones form one index range;
    // one point beyond each side keeps the line running into the clip edge.
    const auto x0 = f.x (note.start);
    const auto spacing = ((double) f.x ((double) note.start + note.duration) - x0) / n;
    auto first = 0, last = n;

    if (spacing > 0.0)
    {
        first = std::clamp ((int) std::floor ((clipLeft - sampleReach - x0) / spacing) - 1, 0, n);
        last = std::clamp ((int) std::ceil ((clipRight + sampleReach - x0) / spacing) + 1, first, n);
    }

    sampleNotePitches (note, next, f.bend, n, first, last, f.pitches);
    f.points.clear();

    for (int j = first; j <= last; ++j)
        f.points.emplace_back (f.x (note.start + (double) note.duration * j / n),
                               f.y (f.pitches[(size_t) (j - first)] + shift));
}

// Strokes the measured line with round joints and caps by filling the area it covers: stroking a
// fast vibrato's thousands of points as a path costs milliseconds a note. The narrow line's edges
// show, so it is built on quarter-pixel columns; the faint halo on two-pixel ones.
void strokeLine (PaintFrame& f, juce::Colour colour, float width, int stride)
{
    f.g.setColour (colour);
    f.g.fillPath (graphStrokeOutline (f.columns, width, stride));
}

// Draws one note; `reach` grows by everything the drawing may cover.
void paintNote (PaintFrame& f, int slot, juce::Rectangle<int> clip, juce::Rectangle<float>& reach)
{
    const auto& note = f.notes[(size_t) slot];
    const auto& c = f.canvas;
    const auto& p = f.palette;
    const auto hasNext = note.next >= 0 && note.next < slotCount;
    const auto* next = hasNext ? &f.notes[(size_t) note.next] : nullptr;
    const auto glides = hasNext && isConnected (note, slot, *next);
    const auto shift = c.displayKey (note) - note.pitch;
    const auto startX = f.x (note.start);
    const auto endX = f.x ((double) note.start + note.duration);
    const auto reachRight = glides ? std::max (endX, f.x (next->start)) : endX;
    const auto clipLeft = (float) clip.getX(), clipRight = (float) clip.getRight();

    // Nothing of a note entirely beside the clip can show.
    if (std::max (reachRight, startX + labelReach) < clipLeft - strokeReach || startX > clipRight + strokeReach)
        return;

    const auto colour = noteColour (p, slot);
    const auto selected = c.isSelected (slot);
    const auto lineColour = colour.withAlpha (selected ? 1.0f : 0.78f);
    const auto firstPoint = juce::Point<float> (startX, f.y (pitchAt (note, next, note.start, f.bend) + shift));
    const auto lastPoint =
        juce::Point<float> (endX, f.y (pitchAt (note, next, (double) note.start + note.duration, f.bend) + shift));

    const auto cover = [&reach] (juce::Rectangle<float> area, float margin)
    { reach = reach.isEmpty() ? area.expanded (margin) : reach.getUnion (area.expanded (margin)); };

    if (endX >= clipLeft - strokeReach && startX <= clipRight + strokeReach)
    {
        linePoints (f, note, next, shift, clipLeft, clipRight);
        cover (juce::Rectangle<float>::findAreaContainingPoints (f.points.data(), (int) f.points.size()), strokeReach);
        // The columns lie on one lattice for every clip: the halo's coarse columns start on even pixels.
        const auto left = std::max (clipLeft - sampleReach, startX - strokeReach);
        const auto haloSpacing = columnWidth * (float) haloColumns;
        f.columns.measure (f.points, columnWidth, std::floor (left / haloSpacing) * haloSpacing,
                           std::min (clipRight + sampleReach, endX + strokeReach));
        strokeLine (f, colour.withAlpha (selected ? 0.14f : 0.08f), selected ? haloWidthSelected : haloWidth,
                    haloColumns);
        strokeLine (f, lineColour, selected ? 3.5f : 2.5f, lineColumns);
    }

    if (glides)
    {
        const auto nextStart = (double) next->start;
        const auto m = std::max (nextStart - note.glide, (double) note.start);
        const auto from = std::min ((double) note.start + note.duration, m);
        const auto glideY = [&] (double t) { return f.y (pitchAt (note, next, t, f.bend) + shift); };

        juce::Path glide;
        glide.startNewSubPath (f.x (from), glideY (from));

        for (int i = 1; i <= glideSegments; ++i)
        {
            const auto t = from + (nextStart - from) * i / glideSegments;
            glide.lineTo (f.x (t), glideY (t));
        }

        f.g.setColour (p.accent);
        f.g.strokePath (glide, juce::PathStrokeType (selected ? 3.0f : 2.0f));
        cover (glide.getBounds(), 3.0f);

        if (selected)
        {
            const auto handle = juce::Rectangle<float> (10.0f, 10.0f).withCentre ({ f.x (m), glideY (m) });
            cover (handle, 2.0f);
            f.g.setColour (p.paper);
            f.g.fillRect (handle);
            f.g.setColour (p.accent);
            f.g.drawRect (handle, 1.5f);
        }
    }

    const auto dot = juce::Rectangle<float> (8.0f, 8.0f).withCentre (firstPoint);
    const auto endHandle = juce::Rectangle<float> (6.0f, 10.0f).withCentre (lastPoint);
    f.g.setColour (glides ? p.accent : lineColour);
    f.g.fillEllipse (dot);
    f.g.fillRoundedRectangle (endHandle, 1.0f);
    cover (dot, 1.0f);
    cover (endHandle, 1.0f);

    const auto labelKey = std::clamp ((int) std::lround (c.displayPitchAt (note, 0.0)), 0, 127);
    const auto label = juce::Rectangle<int> ((int) firstPoint.x + 10, (int) firstPoint.y - 24, 70, 21);
    f.g.setColour (colour);
    f.g.setFont (fontOfHeight (12.0f));
    f.g.drawText (noteName (labelKey), label, juce::Justification::centredLeft, true);
    cover (label.toFloat(), 2.0f);
}

void paintEmptyHints (PaintFrame& f)
{
    const auto muted = f.palette.muted;
    const auto cy = f.grid.getY() + f.grid.getHeight() / 2.0f;
    const auto line = [&] (const juce::String& text, float top, float height, float size)
    {
        const auto area = juce::Rectangle<float> (f.grid.getX(), top, f.grid.getWidth(), height).toNearestInt();
        paperstyle::drawCaption (f.g, text, area, size, muted, juce::Justification::centred);
    };

    line ("Draw the note you want to hear", cy - 30.0f, 50.0f, 24.0f);
    line ("Drag across the piano roll. Go up for higher pitch, down for lower.", cy + 20.0f, 30.0f, 13.0f);
}
} // namespace

PaintFrame::PaintFrame (const ZelkCanvas& c, juce::Graphics& graphics)
    : canvas (c)
    , g (graphics)
    , palette (paperstyle::paletteFor (c))
    , grid (c.gridArea())
    , dark (isDarkTheme (palette))
    , bend (c.bendDepth())
    , xScale (grid.getWidth() / c.effectiveViewLength())
    , xOffset (grid.getX() - c.effectiveViewStart() * xScale)
    , yScale (c.rowHeight())
    , yOffset (grid.getY() + yScale * (c.visibleRows + c.lowestKey - 0.5))
{
}

void paintSoundingDot (PaintFrame& f, int slot)
{
    const auto& processor = f.canvas.processor;
    const auto sounding = processor.soundingPitch[(size_t) slot].load (std::memory_order_relaxed);

    if (processor.isPlaying.load() && sounding > -900.0f)
    {
        const auto centre = juce::Point<float> (f.x (processor.displayPosition.load()), f.y (sounding));
        f.g.setColour (f.palette.ink);
        f.g.fillEllipse (juce::Rectangle<float> (10.0f, 10.0f).withCentre (centre));
        f.g.setColour (f.palette.paper);
        f.g.fillEllipse (juce::Rectangle<float> (4.0f, 4.0f).withCentre (centre));
    }
}

bool paintNoteLayer (PaintFrame& f, NoteLayer* layer)
{
    const auto& c = f.canvas;
    f.g.fillAll (f.palette.surface);
    paintRows (f);
    paintTimeSelection (f);
    paintBeatGrid (f);

    f.g.saveState();
    f.g.reduceClipRegion (f.grid.toNearestInt());
    const auto clip = f.g.getClipBounds();
    auto anyNote = false;

    for (int slot = 0; slot < slotCount; ++slot)
        f.notes[(size_t) slot] = c.processor.readNote (slot);

    if (! clip.isEmpty())
        f.points.reserve (2049);

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto on = f.notes[(size_t) slot].on;
        juce::Rectangle<float> reach;
        anyNote = anyNote || on;

        if (on && ! clip.isEmpty())
        {
            paintNote (f, slot, clip, reach);

            if (layer == nullptr)
                paintSoundingDot (f, slot);
        }

        if (layer != nullptr)
        {
            layer->on[(size_t) slot] = on;
            layer->reach[(size_t) slot] = reach;
        }
    }

    f.g.restoreState();
    return anyNote;
}

// Still clipped to the grid: the box, the playhead and the hover line.
void paintOverlays (PaintFrame& f, const CanvasGesture& gesture, bool anyNote)
{
    const auto& c = f.canvas;
    const auto& processor = c.processor;
    auto& g = f.g;

    g.saveState();
    g.reduceClipRegion (f.grid.toNearestInt());

    if (gesture.kind == GestureKind::boxSelect)
    {
        const auto box = juce::Rectangle<float> (gesture.pressPosition, c.lastPointer);
        g.setColour (f.palette.accent.withAlpha (0.12f));
        g.fillRect (box);
        g.setColour (f.palette.accent);
        g.drawRect (box, 1.0f);
    }

    const auto playing = processor.isPlaying.load();
    const auto playhead = playing ? processor.displayPosition.load() : processor.startPosition.load();
    g.setColour (f.palette.accent.withAlpha (0.65f));
    g.drawVerticalLine ((int) f.x (playhead), f.grid.getY(), f.grid.getBottom());

    if (c.hovering && ! gesture.isActive())
    {
        auto pitch = c.yToPitch (c.lastPointer.y);

        if (c.pitchSnap)
            pitch = std::round (pitch);

        g.setColour (f.palette.accent.withAlpha (0.16f));
        g.drawHorizontalLine ((int) f.y (pitch), f.grid.getX(), f.grid.getRight());
    }

    g.restoreState();

    if (! anyNote)
        paintEmptyHints (f);

    g.setColour (f.palette.rule);
    g.drawRect (c.getLocalBounds(), 1);
}

} // namespace zelk
