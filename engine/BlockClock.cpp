#include "engine/BlockClock.h"

#include <cmath>

namespace zelk
{
double BlockClock::positionOf (int sample) const noexcept
{
    const auto v = start + sample * beatsPerSample;
    return region.looping ? v - passOf (sample) * region.length : v;
}

double BlockClock::passOf (int sample) const noexcept
{
    return region.looping ? std::floor ((start + sample * beatsPerSample - region.start) / region.length) : 0.0;
}

} // namespace zelk
