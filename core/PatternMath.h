#pragma once

#include "core/Note.h"

#include <algorithm>

namespace zelk
{
// Value of one of a note's curves at a normalised position x (0 = start, 1 = end); positions
// outside the note read the first or the last point.
// Inline: the audio thread evaluates several curves per channel and sample.
inline double curveAt (const Note& note, int curve, double x) noexcept
{
    const auto& p = note.curves[(size_t) std::clamp (curve, 0, curveCount - 1)];
    const auto position = std::clamp (x, 0.0, 1.0) * 32.0;
    const auto i = std::min ((int) position, 31);
    return p[(size_t) i] + ((double) p[(size_t) i + 1] - p[(size_t) i]) * (position - i);
}

// Whether `from` can glide into `to`: both are on and `to` starts at or after `from` ends
// (0.0002 beat tolerance) and clearly after `from` starts.
bool glidesInto (const Note& from, const Note& to) noexcept;

// Whether the note in `slot` is effectively connected to `nextNote` (the slot its `next` names).
bool isConnected (const Note& note, int slot, const Note& nextNote) noexcept;

// The vibrato's offset in semitones at a normalised position d of the note (whether or not it is
// on); capture fits its vibratos to exactly this.
double vibratoAt (const Note& note, double d) noexcept;

// Sounding pitch in semitones of a note at beat t: its pitch curve, the glide into `next` (may be
// null) and its vibrato. Not limited to the MIDI range.
double pitchAt (const Note& note, const Note* next, double t, double bendDepth) noexcept;

} // namespace zelk
