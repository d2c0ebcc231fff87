#include "ui/canvas/NoteLayer.h"

#include "core/ZelkProcessor.h"
#include "ui/canvas/NotePainting.h"
#include "ui/canvas/PaintFrame.h"
#include "ui/canvas/ZelkCanvas.h"

#include <algorithm>
#include <cstring>

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

// Makes sure the scratch image has the canvas's size.
juce::Image& scratchFor (const ZelkCanvas& canvas, juce::Image& scratch)
{
    if (scratch.getWidth() != canvas.getWidth() || scratch.getHeight() != canvas.getHeight())
        scratch = juce::Image (juce::Image::ARGB, canvas.getWidth(), canvas.getHeight(), false);

    return scratch;
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

    {
        juce::Graphics sg (scratchFor (canvas, scratch));
        sg.reduceClipRegion (patchArea);
        const auto frame = std::make_unique<PaintFrame> (canvas, sg);
        readPattern (*frame);
        const auto anyNote = paintNoteLayer (*frame, nullptr);

        if (overlays)
            paintOverlays (*frame, gesture, anyNote);
    }

    g.saveState();
    g.reduceClipRegion (part);
    g.drawImageAt (scratch, 0, 0);
    g.restoreState();
}

// The pixels themselves: drawing one image over the other would blend them. An opaque layer keeps
// no alpha, so that the window, whose image has none either, copies it instead of blending it.
void copyPixels (const juce::Image& from, juce::Image& to, juce::Rectangle<int> area)
{
    const juce::Image::BitmapData source (from, area.getX(), area.getY(), area.getWidth(), area.getHeight());
    juce::Image::BitmapData target (to, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                                    juce::Image::BitmapData::writeOnly);
    const auto bytes = (size_t) (area.getWidth() * source.pixelStride);

    for (int y = 0; y < area.getHeight(); ++y)
    {
        if (from.getFormat() == to.getFormat())
        {
            std::memcpy (target.getLinePointer (y), source.getLinePointer (y), bytes);
            continue;
        }

        for (int x = 0; x < area.getWidth(); ++x)
            reinterpret_cast<juce::PixelRGB*> (target.getPixelPointer (x, y))
                ->set (*reinterpret_cast<const juce::PixelARGB*> (source.getPixelPointer (x, y)));
    }
}

// Whether two versions of a note look the same on the canvas; velocity, pressure and timbre do
// not show.
bool drawnAlike (const Note& a, const Note& b) noexcept
{
    if (! a.on && ! b.on)
        return true;

    return a.on == b.on && a.pitch == b.pitch && a.next == b.next && a.start == b.start && a.duration == b.duration
           && a.glide == b.glide && a.glideShape == b.glideShape && a.vibOn == b.vibOn && a.vibDepth == b.vibDepth
           && a.vibCycles == b.vibCycles && a.vibStart == b.vibStart && a.vibEnd == b.vibEnd
           && a.vibFade == b.vibFade && a.curves[pitchCurve] == b.curves[pitchCurve];
}

const Note* nextOf (const std::array<Note, slotCount>& notes, const Note& note) noexcept
{
    return note.next >= 0 && note.next < slotCount ? &notes[(size_t) note.next] : nullptr;
}

// Whether a slot's drawing differs from what the layer shows: the note itself, its highlight, or
// its next note, into which its line bends and its glide runs.
bool drawsDifferently (const NoteLayer& layer, const std::array<Note, slotCount>& notes,
                       const std::array<bool, slotCount>& selected, int slot) noexcept
{
    const auto& shown = layer.notes[(size_t) slot];
    const auto& now = notes[(size_t) slot];

    if (! shown.on && ! now.on)
        return false;

    if (! drawnAlike (shown, now) || layer.selected[(size_t) slot] != selected[(size_t) slot])
        return true;

    const auto next = now.next;
    return next >= 0 && next < slotCount && ! drawnAlike (layer.notes[(size_t) next], notes[(size_t) next]);
}

// Paints again, in the kept layer, the parts around the notes whose drawing differs from what the
// layer shows, where they were and where they are; every other note inside those parts is drawn
// again with them, in the slots' order. False when so much changed (an undo, an import) that the
// layer is better painted whole.
bool repaintChangedNotes (const ZelkCanvas& canvas, NoteLayer& layer)
{
    constexpr float largestShare = 0.5f;

    juce::Graphics sg (scratchFor (canvas, layer.scratch));
    const auto frame = std::make_unique<PaintFrame> (canvas, sg);
    auto& f = *frame;
    readPattern (f);

    std::array<bool, slotCount> selected {};

    for (int slot = 0; slot < slotCount; ++slot)
        selected[(size_t) slot] = canvas.isSelected (slot);

    StripSpans spans (canvas.getWidth());
    auto reach = layer.reach;
    std::array<bool, slotCount> changed {};

    for (int slot = 0; slot < slotCount; ++slot)
    {
        if (! drawsDifferently (layer, f.notes, selected, slot))
            continue;

        const auto& shown = layer.notes[(size_t) slot];
        const auto& now = f.notes[(size_t) slot];
        noteFootprint (f, shown, nextOf (layer.notes, shown), slot, layer.selected[(size_t) slot], spans);
        reach[(size_t) slot] = noteFootprint (f, now, nextOf (f.notes, now), slot, selected[(size_t) slot], spans);
        changed[(size_t) slot] = true;
    }

    const auto grid = f.grid.toNearestInt();
    const auto parts = spans.rectangles (grid);
    auto area = 0.0f;

    for (const auto& part : parts)
        area += (float) part.getWidth() * (float) part.getHeight();

    if (area > largestShare * (float) grid.getWidth() * (float) grid.getHeight())
        return false;

    // The parts leave out the notes that reach nowhere near them, the changed notes by where they
    // are now, and may fill the outlines measured for the whole layer: not the changed notes', which
    // are measured in each part until the layer is painted whole again.
    layer.reach = reach;

    for (int slot = 0; slot < slotCount; ++slot)
        if (changed[(size_t) slot])
            layer.outlines[(size_t) slot] = {};

    layer.repaintedPixels = (int64_t) area;

    for (const auto& part : parts)
    {
        sg.saveState();
        sg.reduceClipRegion (part.expanded (clipEdgeMargin).getIntersection (canvas.getLocalBounds()));
        paintNoteLayer (f, &layer, true);
        sg.restoreState();
        copyPixels (layer.scratch, layer.image, part);
    }

    for (int slot = 0; slot < slotCount; ++slot)
        layer.on[(size_t) slot] = f.notes[(size_t) slot].on;

    layer.notes = f.notes;
    layer.selected = selected;
    return true;
}
} // namespace

bool NoteLayerKey::operator== (const NoteLayerKey& o) const noexcept
{
    return hasLayoutOf (o) && patternChanges == o.patternChanges && selection == o.selection
           && activeNote == o.activeNote;
}

bool NoteLayerKey::hasLayoutOf (const NoteLayerKey& o) const noexcept
{
    return width == o.width && height == o.height && viewStart == o.viewStart && viewLength == o.viewLength
           && lowestKey == o.lowestKey && visibleRows == o.visibleRows && bend == o.bend && transpose == o.transpose
           && rangeEnabled == o.rangeEnabled && rangeStart == o.rangeStart && rangeLength == o.rangeLength
           && palette == o.palette;
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

    if (noteLayer == nullptr)
        noteLayer = std::make_unique<NoteLayer>();

    auto& layer = *noteLayer;
    const auto everything = (int64_t) clip.getWidth() * clip.getHeight();
    layer.repaintedPixels = 0;

    // The kept layer is in the canvas's own pixels: a scaled context is painted directly.
    if (! keepsNoteLayer || g.getInternalContext().getPhysicalPixelScaleFactor() != 1.0f || getWidth() <= 0
        || getHeight() <= 0)
    {
        layer.repaintedPixels = everything;
        readPattern (f);
        const auto anyNote = paintNoteLayer (f, nullptr);
        paintOverlays (f, gesture, anyNote);
        return;
    }

    const auto key = noteLayerKey();
    // While the view or the look change from frame to frame (a scroll, a zoom, a resize), keeping
    // the layer would only cost a copy.
    const auto layoutChanging = ! key.hasLayoutOf (layer.lastSeen);
    layer.lastSeen = key;

    // After an edit only what changed is painted again.
    if (layer.valid && layer.key != key && key.hasLayoutOf (layer.key))
    {
        if (repaintChangedNotes (*this, layer))
            layer.key = key;
        else
            layer.valid = false;
    }

    if (! layer.valid || layer.key != key)
    {
        layer.repaintedPixels = everything;

        if (layoutChanging)
        {
            if (! clip.contains (getLocalBounds()))
                return paintPartExactly (*this, g, clip, true, gesture, layer.scratch);

            readPattern (f);
            const auto anyNote = paintNoteLayer (f, nullptr);
            paintOverlays (f, gesture, anyNote);
            return;
        }

        // Painted where its parts are painted later, so that they come out alike.
        const auto format = f.palette.surface.isOpaque() ? juce::Image::RGB : juce::Image::ARGB;

        if (layer.image.getWidth() != getWidth() || layer.image.getHeight() != getHeight()
            || layer.image.getFormat() != format)
            layer.image = juce::Image (format, getWidth(), getHeight(), false);

        {
            juce::Graphics layerGraphics (scratchFor (*this, layer.scratch));
            const auto layerFrame = std::make_unique<PaintFrame> (*this, layerGraphics);
            readPattern (*layerFrame);
            paintNoteLayer (*layerFrame, &layer);
        }

        copyPixels (layer.scratch, layer.image, getLocalBounds());
        layer.repaintedPixels = (int64_t) getWidth() * getHeight();
        layer.key = key;
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

int64_t ZelkCanvas::lastRepaintedPixels() const noexcept
{
    return noteLayer != nullptr ? noteLayer->repaintedPixels : 0;
}

} // namespace zelk
