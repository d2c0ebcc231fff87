#include "core/PatternMath.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;

double glideShaped (double u, double shape) noexcept
{
    const auto exponent = std::pow (2.0, 3.0 * std::abs (shape));
    return shape >= 0.0 ? std::pow (u, exponent) : 1.0 - std::pow (1.0 - u, exponent);
}
} // namespace

double vibratoAt (const Note& note, double d) noexcept
{
    const auto l = (d - note.vibStart) / std::max ((double) note.vibEnd - note.vibStart, 0.001);

    if (! (l > 0.0 && l < 1.0))
        return 0.0;

    const auto fade = note.vibFade <= 0.0f ? 1.0 : std::clamp (std::min (l, 1.0 - l) / note.vibFade, 0.0, 1.0);
    return std::sin (twoPi * note.vibCycles * l) * note.vibDepth * fade;
}

bool glidesInto (const Note& from, const Note& to) noexcept
{
    return from.on && to.on
        && (double) to.start >= (double) from.start + from.duration - 0.0002
        && (double) to.start > (double) from.start + 0.001;
}

bool isConnected (const Note& note, int slot, const Note& nextNote) noexcept
{
    return note.next >= 0 && note.next < slotCount && note.next != slot && glidesInto (note, nextNote);
}

double pitchAt (const Note& note, const Note* next, double t, double bendDepth) noexcept
{
    const auto d = (t - note.start) / note.duration;
    auto pitch = note.pitch + curveAt (note, pitchCurve, d) * bendDepth;

    if (next != nullptr && glidesInto (note, *next))
    {
        const double nextStart = next->start;
        const auto m = std::max (nextStart - note.glide, (double) note.start);

        if (t >= m)
        {
            const auto u = std::clamp ((t - m) / (nextStart - m), 0.0, 1.0);
            const auto from = note.pitch + curveAt (note, pitchCurve, (m - note.start) / note.duration) * bendDepth;
            const auto to = next->pitch + curveAt (*next, pitchCurve, 0.0) * bendDepth;
            pitch = from + (to - from) * glideShaped (u, note.glideShape);
        }
    }

    if (note.vibOn)
        pitch += vibratoAt (note, d);

    return pitch;
}

} // namespace zelk
