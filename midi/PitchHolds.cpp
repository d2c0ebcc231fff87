#include "midi/PitchHolds.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double shortestHold = 0.125;
// A hold stays within this band; wider is still moving.
constexpr double holdBand = 0.2;
// The fastest drift, in semitones a beat, that still holds.
constexpr double steadiest = 0.5;
} // namespace

std::vector<Hold> findHolds (const SampledSignal& held, int firstIndex)
{
    std::vector<Hold> holds;
    const auto minimum = (int) std::ceil (shortestHold / held.step);
    auto i = firstIndex;

    while (i < held.size())
    {
        auto lo = held.values[(size_t) i], hi = lo;
        auto j = i;

        while (j + 1 < held.size())
        {
            const auto v = held.values[(size_t) j + 1];

            if (std::max (hi, v) - std::min (lo, v) > holdBand)
                break;

            lo = std::min (lo, v);
            hi = std::max (hi, v);
            ++j;
        }

        if (j - i >= minimum)
        {
            double sum = 0.0;

            for (int k = i; k <= j; ++k)
                sum += held.values[(size_t) k];

            holds.push_back ({i, j, sum / (j - i + 1)});
            i = j + 1;
        }
        else
        {
            ++i;
        }
    }

    // A slow arrival can leave the band once more on its last approach: stretches that follow one
    // another at the same level are one hold.
    std::vector<Hold> merged;

    for (const auto& hold : holds)
    {
        if (!merged.empty() && merged.back().last + 1 >= hold.first &&
            std::abs (merged.back().mean - hold.mean) < holdBand &&
            std::lround (merged.back().mean) == std::lround (hold.mean))
        {
            auto& last = merged.back();
            const auto a = last.last - last.first + 1, b = hold.last - hold.first + 1;
            last.mean = (last.mean * a + hold.mean * b) / (a + b);
            last.last = hold.last;
        }
        else
        {
            merged.push_back (hold);
        }
    }

    // A hold stays put: a slow bend that keeps going is not one, however long it stays in the band.
    std::vector<Hold> still;

    for (const auto& hold : merged)
    {
        double n = 0.0, st = 0.0, sz = 0.0, stt = 0.0, stz = 0.0;

        for (int k = hold.first; k <= hold.last; ++k)
        {
            const auto t = held.beatOf (k), z = (double) held.values[(size_t) k];
            n += 1.0;
            st += t;
            sz += z;
            stt += t * t;
            stz += t * z;
        }

        const auto det = n * stt - st * st;

        if (det <= 0.0 || std::abs ((n * stz - st * sz) / det) <= steadiest)
            still.push_back (hold);
    }

    return still;
}

} // namespace zelk
