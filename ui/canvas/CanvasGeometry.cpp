#include "ui/canvas/ZelkCanvas.h"

#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double hitSlopBeats = 0.025;
constexpr float noteHitPixels = 9.0f;
constexpr float glideEndPixels = 9.0f;
constexpr float glideLinePixels = 7.0f;
constexpr float glideHandlePixels = 8.0f;
constexpr int glideSegments = 64;

float distanceToSegment (juce::Point<float> p, juce::Point<float> a, juce::Point<float> b) noexcept
{
    const auto ab = b - a;
    const auto lengthSquared = ab.getDotProduct (ab);

    if (lengthSquared > 0.0f)
    {
        const auto t = (p - a).getDotProduct (ab) / lengthSquared;

        if (t >= 0.0f && t <= 1.0f)
            return p.getDistanceFrom (a + ab * t);
    }

    return std::min (p.getDistanceFrom (a), p.getDistanceFrom (b));
}
} // namespace

juce::String noteName (int key)
{
    static const char* const names[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    const auto octave = (key >= 0 ? key / 12 : (key - 11) / 12) - 1;
    return juce::String (names[((key % 12) + 12) % 12]) + juce::String (octave);
}

juce::String rulerLabel (double beat)
{
    const auto sixteenths = (int64_t) std::llround (beat * 4.0);

    if (sixteenths % 4 != 0)
        return {};

    const auto bar = juce::String (sixteenths / 16 + 1);
    return sixteenths % 16 == 0 ? bar : bar + "." + juce::String ((sixteenths % 16) / 4 + 1);
}

juce::Rectangle<float> ZelkCanvas::gridArea() const noexcept
{
    const auto b = getLocalBounds();
    const auto w = std::max (0, std::max (0, b.getWidth() - keyboardWidth) - 2);
    const auto h = std::max (0, std::max (0, b.getHeight() - rulerHeight) - 2);
    return { (float) b.getX() + keyboardWidth + 1, (float) b.getY() + rulerHeight + 1, (float) w, (float) h };
}

double ZelkCanvas::effectiveViewLength() const noexcept
{
    if (viewLength <= 0.0)
        return 16.0;

    if (viewLength < 1.0)
        return 1.0;

    return std::min (viewLength, timelineEnd);
}

double ZelkCanvas::effectiveViewStart() const noexcept
{
    if (viewStart < 0.0)
        return 0.0;

    return std::min (viewStart, timelineEnd - effectiveViewLength());
}

double ZelkCanvas::xToBeat (float x) const noexcept
{
    const auto grid = gridArea();
    const auto start = effectiveViewStart();

    if (grid.getWidth() <= 0.0f)
        return start;

    const auto beat = (x - grid.getX()) / (double) grid.getWidth() * effectiveViewLength() + start;
    return std::clamp (beat, 0.0, timelineEnd);
}

float ZelkCanvas::beatToX (double beat) const noexcept
{
    const auto grid = gridArea();
    return (float) (grid.getX() + (beat - effectiveViewStart()) / effectiveViewLength() * grid.getWidth());
}

float ZelkCanvas::rowHeight() const noexcept
{
    return gridArea().getHeight() / (float) visibleRows;
}

float ZelkCanvas::pitchToY (double pitch) const noexcept
{
    return (float) (gridArea().getY() + rowHeight() * (visibleRows + lowestKey - 0.5 - pitch));
}

double ZelkCanvas::yToPitch (float y) const noexcept
{
    const auto rows = rowHeight();

    // A canvas too small to have rows shows its bottom key everywhere.
    if (rows <= 0.0f)
        return std::clamp ((double) lowestKey, 0.0, 127.0);

    const auto pitch = visibleRows + lowestKey - 0.5 - (y - gridArea().getY()) / (double) rows;
    return std::clamp (pitch, 0.0, 127.0);
}

double ZelkCanvas::bendDepth() const noexcept
{
    return processor.raw().destinations[(size_t) destination::bend]->load (std::memory_order_relaxed);
}

int ZelkCanvas::displayKey (const Note& note) const noexcept
{
    const auto transpose = processor.raw().destinations[(size_t) destination::transpose]->load();
    const auto key = note.pitch + (int) std::nearbyint ((double) transpose);
    return std::clamp (key, 0, 127);
}

double ZelkCanvas::displayPitchAt (const Note& note, double fraction) const noexcept
{
    const auto t = note.start + fraction * note.duration;
    const auto shift = displayKey (note) - note.pitch;

    if (note.next >= 0 && note.next < slotCount)
    {
        const auto next = processor.readNote (note.next);
        return pitchAt (note, &next, t, bendDepth()) + shift;
    }

    return pitchAt (note, nullptr, t, bendDepth()) + shift;
}

juce::Point<float> ZelkCanvas::glidePoint (const Note& note, const Note& next, double u) const noexcept
{
    const auto m = std::max ((double) next.start - note.glide, (double) note.start);
    const auto t = m + (next.start - m) * u;
    const auto pitch = displayKey (note) + pitchAt (note, &next, t, bendDepth()) - note.pitch;
    return { beatToX (t), pitchToY (pitch) };
}

std::vector<double> ZelkCanvas::gridBeats() const
{
    const auto grid = gridArea();
    const auto start = effectiveViewStart();
    const auto length = effectiveViewLength();
    const auto step = std::pow (2.0, std::ceil (std::log2 (std::max (length / 64.0, 0.25))));
    const auto last = (int64_t) std::ceil ((start + length) / step);
    std::vector<double> beats;

    for (auto i = (int64_t) std::floor (start / step); i <= last; ++i)
    {
        const auto x = beatToX ((double) i * step);

        if (x >= grid.getX() && x <= grid.getRight())
            beats.push_back ((double) i * step);
    }

    return beats;
}

int ZelkCanvas::hitTestNote (juce::Point<float> point) const
{
    const auto beat = xToBeat (point.x);

    const auto hits = [&] (int slot)
    {
        if (slot < 0 || slot >= slotCount)
            return false;

        const auto note = processor.readNote (slot);

        if (! note.on || beat < note.start - hitSlopBeats || beat > (double) note.start + note.duration + hitSlopBeats)
            return false;

        const auto fraction = std::clamp ((beat - note.start) / note.duration, 0.0, 1.0);
        return std::abs (point.y - pitchToY (displayPitchAt (note, fraction))) < noteHitPixels;
    };

    if (hits (activeNote))
        return activeNote;

    for (int slot = slotCount - 1; slot >= 0; --slot)
        if (hits (slot))
            return slot;

    return -1;
}

int ZelkCanvas::hitTestGlide (juce::Point<float> point) const
{
    const auto hits = [&] (int slot)
    {
        if (slot < 0 || slot >= slotCount)
            return false;

        const auto note = processor.readNote (slot);

        if (! note.on || note.next < 0 || note.next >= slotCount)
            return false;

        const auto next = processor.readNote (note.next);

        if (! isConnected (note, slot, next))
            return false;

        // The two ends belong to the notes, not to the glide.
        if (point.getDistanceFrom (glidePoint (note, next, 0.0)) < glideEndPixels
            || point.getDistanceFrom (glidePoint (note, next, 1.0)) < glideEndPixels)
            return false;

        auto previous = glidePoint (note, next, 0.0);

        for (int i = 1; i <= glideSegments; ++i)
        {
            const auto current = glidePoint (note, next, (double) i / glideSegments);

            if (distanceToSegment (point, previous, current) < glideLinePixels)
                return true;

            previous = current;
        }

        return false;
    };

    if (hits (activeNote))
        return activeNote;

    for (int slot = slotCount - 1; slot >= 0; --slot)
        if (hits (slot))
            return slot;

    return -1;
}

int ZelkCanvas::glideHandleAt (juce::Point<float> point) const
{
    for (const auto slot : selectedNotes())
    {
        const auto note = processor.readNote (slot);

        if (note.next < 0 || note.next >= slotCount)
            continue;

        const auto next = processor.readNote (note.next);

        if (isConnected (note, slot, next) && point.getDistanceFrom (glidePoint (note, next, 0.0)) < glideHandlePixels)
            return slot;
    }

    return -1;
}

} // namespace zelk
