#pragma once

#include "core/Note.h"
#include "midi/ExpressionTrack.h"
#include "midi/VibratoRuns.h"

#include <vector>

namespace zelk
{
// A note's vibrato fields, on the grid their parameters keep.
struct FittedVibrato
{
    bool found = false;
    float start = 0.0f, end = 1.0f, cycles = 3.0f, depth = 0.35f, fade = 0.2f;
};

// Zelk's own vibrato fitted to a run: start, end and fade as fractions of the note (which lies
// at noteStart for duration beats), cycles and depth, such that the note's vibrato over the
// curve that remains plays the swing. The pitch is read between from and to.
FittedVibrato fitVibrato (const ExpressionTrack& pitch, const VibratoRun& run, double noteStart, double duration,
                          double from, double to, double beatsPerSecond);

// The note's vibrato fields set to the fitted vibrato.
void applyVibrato (const FittedVibrato& vibrato, Note& note) noexcept;

} // namespace zelk
