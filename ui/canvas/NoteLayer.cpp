#include "ui/canvas/NoteLayer.h"

#include "core/ZelkProcessor.h"
#include "ui/canvas/PaintFrame.h"
#include "ui/canvas/ZelkCanvas.h"

#include <algorithm>

namespace zelk
{
namespace
{
// Pixels the rasteriser may shade differently next to the edge of a clip; a part painted with
// this margin around it has, inside the margin, the whole paint's pixels.
constexpr int clipEdgeMargin = 2;

// Where a sounding dot drawn over the kept layer would not look as it does drawn between the notes:
// around each dot that a later note's drawing reaches.
std::vector<juce::Rectangle<int>> dotsUnderLaterNotes (const PaintFrame& f, const NoteLayer& layer)
{
    std::vector<juce::Rectangle<int>> covered;
    const auto& processor = f.canvas.processor;

    if (! processor.isPlaying.load())
        return covered;

    const auto x = f.x (processor.displayPosition.load());

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto sounding = processor.soundingPitch[(size_t) slot].load (std::memory_order_relaxed);

        if (! layer.on[(size_t) slot] || ! (sounding > -900.0f))
            continue;

        const auto dot = juce::Rectangle<float> (12.0f, 12.0f).withCentre ({ x, f.y (sounding) });

        for (auto later = slot + 1; later < slotCount; ++later)
        {
            if (layer.on[(size_t) later] && layer.reach[(size_t) later].intersects (dot))
            {
                covered.push_back (dot.getSmallestIntegerContainer());
                break;
            }
        }
    }

    return covered;
}

// Paints one part of the canvas exactly as a paint of the whole canvas would: into the scratch
// image, with a clip a little larger than the part and in the same coordinates (a shifted origin
// would round the lines' positions differently), and then copies the part in.
void paintPartExactly (const ZelkCanvas& canvas, juce::Graphics& g, juce::Rectangle<int> part, bool overlays,
                       const CanvasGesture& gesture, juce::Image& scratch)
{
    const auto patchArea = part.expanded (clipEdgeMargin).getIntersection (canvas.getLocalBounds());

    if (patchArea.isEmpty())
        return;

    if (scratch.getWidth() != canvas.getWidth() || scratch.getHeight() != canvas.getHeight())
        scratch = juce::Image (juce::Image::ARGB, canvas.getWidth(), canvas.getHeight(), false);

    {
        juce::Graphics sg (scratch);
        sg.reduceClipRegion (patchArea);
        const auto frame = std::make_unique<PaintFrame> (canvas, sg);
        const auto anyNote = paintNoteLayer (*frame, nullptr);

        if (overlays)
            paintOverlays (*frame, gesture, anyNote);
    }

    g.saveState();
    g.reduceClipRegion (part);
    g.drawImageAt (scratch, 0, 0);
    g.restoreState();
}
} // namespace

bool NoteLayerKey::operator== (const NoteLayerKey& o) const noexcept
{
    return width == o.width && height == o.height && viewStart == o.viewStart && viewLength == o.viewLength
           && lowestKey == o.lowestKey && visibleRows == o.visibleRows && patternChanges == o.patternChanges
           && bend == o.bend && transpose == o.transpose && rangeEnabled == o.rangeEnabled && rangeStart == o.rangeStart
           && rangeLength == o.rangeLength && palette == o.palette && selection == o.selection
           && activeNote == o.activeNote;
}

NoteLayerKey ZelkCanvas::noteLayerKey() const
{
    NoteLayerKey key;
    key.width = getWidth();
    key.height = getHeight();
    key.viewStart = effectiveViewStart();
    key.viewLength = effectiveViewLength();
    key.lowestKey = lowestKey;
    key.visibleRows = visibleRows;
    key.patternChanges = processor.patternChangeCount();
    key.bend = processor.raw().destinations[(size_t) destination::bend]->load();
    key.transpose = processor.raw().destinations[(size_t) destination::transpose]->load();
    key.rangeEnabled = isSwitchOn (processor.raw().rangeEnabled);

    if (key.rangeEnabled)
    {
        key.rangeStart = processor.loopStart();
        key.rangeLength = processor.loopLength();
    }

    key.palette = paperstyle::paletteFor (*this);
    key.selection = selection;
    key.activeNote = activeNote;
    return key;
}

void ZelkCanvas::paint (juce::Graphics& g)
{
    updateVibratoPanel();

    // On the heap: the frame holds a copy of every slot, read once per paint.
    const auto frame = std::make_unique<PaintFrame> (*this, g);
    auto& f = *frame;
    const auto clip = g.getClipBounds();

    // The kept layer is in the canvas's own pixels: a scaled context is painted directly.
    if (! keepsNoteLayer || g.getInternalContext().getPhysicalPixelScaleFactor() != 1.0f || getWidth() <= 0
        || getHeight() <= 0)
    {
        const auto anyNote = paintNoteLayer (f, nullptr);
        paintOverlays (f, gesture, anyNote);
        return;
    }

    if (noteLayer == nullptr)
        noteLayer = std::make_unique<NoteLayer>();

    auto& layer = *noteLayer;
    auto key = noteLayerKey();

    if (! layer.valid || layer.key != key)
    {
        // While the drawing changes from frame to frame (a drag, automation), keeping it would
        // only cost a copy: the layer is kept once a frame shows what the one before showed.
        const auto changing = key != layer.lastSeen;
        layer.lastSeen = key;

        if (changing)
        {
            if (! clip.contains (getLocalBounds()))
                return paintPartExactly (*this, g, clip, true, gesture, layer.scratch);

            const auto anyNote = paintNoteLayer (f, nullptr);
            paintOverlays (f, gesture, anyNote);
            return;
        }

        if (layer.image.getWidth() != getWidth() || layer.image.getHeight() != getHeight())
            layer.image = juce::Image (juce::Image::ARGB, getWidth(), getHeight(), false);

        juce::Graphics layerGraphics (layer.image);
        const auto layerFrame = std::make_unique<PaintFrame> (*this, layerGraphics);
        paintNoteLayer (*layerFrame, &layer);
        layer.key = std::move (key);
        layer.valid = true;
    }

    g.drawImageAt (layer.image, 0, 0);

    // A dot that a later note covers is painted with everything around it, in the notes' order;
    // every other dot goes over the layer.
    const auto covered = dotsUnderLaterNotes (f, layer);

    for (const auto& area : covered)
        paintPartExactly (*this, g, area, false, gesture, layer.scratch);

    g.saveState();
    g.reduceClipRegion (f.grid.toNearestInt());

    for (const auto& area : covered)
        g.excludeClipRegion (area);

    for (int slot = 0; slot < slotCount; ++slot)
        if (layer.on[(size_t) slot])
            paintSoundingDot (f, slot);

    g.restoreState();
    paintOverlays (f, gesture, std::find (layer.on.begin(), layer.on.end(), true) != layer.on.end());
}

} // namespace zelk
