#include "ui/canvas/ZelkCanvas.h"

#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"
#include "ui/canvas/NoteLayer.h"
#include "ui/canvas/NotePainting.h"
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
    const auto clip = f.g.getClipBounds().toFloat();

    for (int r = 0; r < c.visibleRows; ++r)
    {
        const auto key = c.lowestKey + c.visibleRows - 1 - r;
        const auto y = f.grid.getY() + rows * (float) r;
        const auto black = isBlackKey (key);

        // A part of the canvas painted on its own draws only the rows it shows (their line may
        // fall a pixel below them).
        if (! clip.intersects (juce::Rectangle<float> (0.0f, y - 1.0f, (float) c.getWidth(), rows + 2.0f)))
            continue;

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
    const auto clip = f.g.getClipBounds();

    for (const auto beat : f.canvas.gridBeats())
    {
        const auto x = f.x (beat);
        const auto sixteenths = (int64_t) std::llround (beat * 4.0);
        const auto bar = sixteenths % 16 == 0;
        const auto onBeat = sixteenths % 4 == 0;

        f.g.setColour (f.palette.rule.withAlpha (bar ? 0.95f : (onBeat ? 0.55f : 0.2f)));
        f.g.drawVerticalLine ((int) x, f.grid.getY(), f.grid.getBottom());

        const juce::Rectangle<int> label ((int) (x + 6.0f), 1, 66, 27);

        if (onBeat && clip.intersects (label.expanded (4)))
            paperstyle::drawCaption (f.g, rulerLabel (beat), label, 10.0f, bar ? f.palette.ink : f.palette.muted);
    }
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

void readPattern (PaintFrame& f)
{
    for (int slot = 0; slot < slotCount; ++slot)
        f.notes[(size_t) slot] = f.canvas.processor.readNote (slot);
}

bool paintNoteLayer (PaintFrame& f, NoteLayer* layer, bool part)
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

    if (! clip.isEmpty())
        f.points.reserve (2049);

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto on = f.notes[(size_t) slot].on;
        juce::Rectangle<float> reach;
        anyNote = anyNote || on;

        // The whole layer learns each note's outline; a part of it may fill them again, and leaves
        // out the notes that reach nowhere near it.
        auto* outline = layer != nullptr ? &layer->outlines[(size_t) slot] : nullptr;
        const auto nearClip = ! part || layer->reach[(size_t) slot].intersects (clip.toFloat());

        if (outline != nullptr && ! part)
            *outline = {};

        if (on && nearClip && ! clip.isEmpty())
        {
            paintNote (f, slot, clip, reach, part ? nullptr : outline, part ? outline : nullptr);

            if (layer == nullptr)
                paintSoundingDot (f, slot);
        }

        if (layer != nullptr && ! part)
        {
            layer->on[(size_t) slot] = on;
            layer->reach[(size_t) slot] = reach;
            layer->notes[(size_t) slot] = f.notes[(size_t) slot];
            layer->selected[(size_t) slot] = c.isSelected (slot);
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
