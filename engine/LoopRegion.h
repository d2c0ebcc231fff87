#pragma once

#include "core/ParameterPointers.h"

namespace zelk
{
// Where the pattern loops: the time selection when it is enabled, otherwise from 0 to the end of
// the last note. Callable from any thread; reads the parameters' raw values.
double loopStart (const ParameterPointers& parameters) noexcept;
double loopLength (const ParameterPointers& parameters) noexcept;

// The region one block plays in: the loop when looping is on, otherwise the whole timeline
// (whose end still ends every note).
struct LoopRegion
{
    bool looping = false;
    double start = 0.0;
    double length = timelineEnd;

    double end() const noexcept { return start + length; }

    static LoopRegion forBlock (const ParameterPointers& parameters) noexcept;
};

} // namespace zelk
