#pragma once

#include "core/Note.h"

#include <vector>

namespace zelk
{
// The pitch of a note at fractions j / n of it, for j = first .. last, as pitchAt gives it (with
// `next` for the glide, may be null). A drawn vibrato needs up to 2049 of these per note and
// repaint, so the vibrato's sine is advanced by rotation from point to point instead of being
// evaluated at each.
void sampleNotePitches (const Note& note, const Note* next, double bendDepth, int n, int first, int last,
                        std::vector<double>& pitches);

} // namespace zelk
