#include "ui/canvas/NoteLineSampling.h"

#include "core/PatternMath.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
void sampleNotePitches (const Note& note, const Note* next, double bendDepth, int n, int first, int last,
                        std::vector<double>& pitches)
{
    pitches.clear();

    if (n <= 0 || last < first)
        return;

    auto plain = note;
    plain.vibOn = false;

    for (int j = first; j <= last; ++j)
        pitches.push_back (pitchAt (plain, next, note.start + (double) note.duration * j / n, bendDepth));

    if (! note.vibOn)
        return;

    // Position l in the vibrato span and the sine's phase are both linear in j. The rotation starts
    // afresh at every multiple of 64, so a point has the same value whichever range it is sampled
    // in: a part of the canvas painted alone matches the whole.
    const auto span = std::max ((double) note.vibEnd - note.vibStart, 0.001);
    const auto dl = 1.0 / (n * span);
    const auto twoPiCycles = 6.283185307179586476925286766559 * note.vibCycles;
    const auto ds = std::sin (twoPiCycles * dl), dc = std::cos (twoPiCycles * dl);
    auto s = 0.0, c = 1.0;
    constexpr int restart = 64;

    for (int j = first - first % restart; j <= last; ++j)
    {
        const auto l = ((double) j / n - note.vibStart) / span;

        if (j % restart == 0)
        {
            s = std::sin (twoPiCycles * l);
            c = std::cos (twoPiCycles * l);
        }

        if (j >= first && l > 0.0 && l < 1.0)
        {
            const auto fade = note.vibFade <= 0.0f ? 1.0 : std::clamp (std::min (l, 1.0 - l) / note.vibFade, 0.0, 1.0);
            pitches[(size_t) (j - first)] += s * note.vibDepth * fade;
        }

        const auto rotated = s * dc + c * ds;
        c = c * dc - s * ds;
        s = rotated;
    }
}

} // namespace zelk
