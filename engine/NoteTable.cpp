#include "engine/NoteTable.h"

#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"
#include "engine/PortableMath.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;
} // namespace

bool NoteTable::refresh (const ZelkProcessor& processor) noexcept
{
    // The count first: a change that lands while the notes are read counts again next block.
    const auto changes = processor.patternChangeCount();

    if (current && changes == changesRead)
        return false;

    changesRead = changes;
    current = true;
    build (processor);
    return true;
}

void NoteTable::build (const ZelkProcessor& processor) noexcept
{
    // A slot that is off takes no part in playback: its other 114 values are not read.
    for (int slot = 0; slot < slotCount; ++slot)
        notes[(size_t) slot] = processor.isNoteOn (slot) ? processor.readNote (slot) : Note {};

    connect();
}

void NoteTable::connect() noexcept
{
    nextOf.fill (-1);
    prevOf.fill (-1);

    // When several notes name the same next note, the lowest slot gets it.
    for (int s = 0; s < slotCount; ++s)
    {
        const auto& note = notes[(size_t) s];
        const auto n = note.next;

        if (n >= 0 && n < slotCount && prevOf[(size_t) n] < 0 && isConnected (note, s, notes[(size_t) n]))
        {
            nextOf[(size_t) s] = n;
            prevOf[(size_t) n] = s;
        }
    }

    // Bounded walks: a cycle of links cannot hang the audio thread.
    for (int s = 0; s < slotCount; ++s)
    {
        auto last = s;

        for (int step = 0; step < slotCount && nextOf[(size_t) last] >= 0; ++step)
            last = nextOf[(size_t) last];

        const auto& end = notes[(size_t) last];
        chainEnd[(size_t) s] = (double) end.start + end.duration;
    }

    headCount = 0;

    for (int s = 0; s < slotCount; ++s)
        if (notes[(size_t) s].on && prevOf[(size_t) s] < 0)
            heads[(size_t) headCount++] = s;

    for (int s = 0; s < slotCount; ++s)
    {
        const auto& note = notes[(size_t) s];
        const auto* next = nextNoteOf (s);
        auto& c = pitchConstants[(size_t) s];
        c.glides = next != nullptr && glidesInto (note, *next);
        c.exponent = portable::pow2 (3.0 * std::abs ((double) note.glideShape));
        c.vibSpan = std::max ((double) note.vibEnd - note.vibStart, 0.001);
        c.vibAngle = twoPi * note.vibCycles;

        if (c.glides)
        {
            c.nextStart = next->start;
            c.glideStart = std::max (c.nextStart - note.glide, (double) note.start);
            c.fromCurve = curveAt (note, pitchCurve, (c.glideStart - note.start) / note.duration);
            c.toCurve = curveAt (*next, pitchCurve, 0.0);
            c.glideLength = c.nextStart - c.glideStart;
            c.nextPitch = next->pitch;
        }
    }
}

int NoteTable::segmentAt (int head, double v) const noexcept
{
    auto s = head;

    for (int step = 0; step < slotCount; ++step)
    {
        const auto n = nextOf[(size_t) s];

        if (n < 0 || (double) notes[(size_t) n].start > v)
            break;

        s = n;
    }

    return s;
}

} // namespace zelk
