#pragma once

#include "midi/ExpressionTrack.h"

#include <vector>

namespace zelk
{
// Where a pitch holds: at least an eighth of a beat within a fifth of a semitone, not drifting,
// each stretch with its mean (semitones) and its first and last sample.
struct Hold
{
    int first, last;
    double mean;
};

// The holds of a uniformly sampled pitch from sample `firstIndex` on, in time order. A slow
// arrival that leaves the band once more on its last approach still makes one hold.
std::vector<Hold> findHolds (const SampledSignal& held, int firstIndex);

} // namespace zelk
