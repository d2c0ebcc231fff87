#pragma once

#include "core/ParameterPointers.h"

#include <cstdint>

namespace zelk
{
// Where the pattern loops: the time selection when it is enabled, otherwise from 0 to the end of
// the last note. Callable from any thread; reads the parameters' raw values.
double loopStart (const ParameterPointers& parameters) noexcept;
double loopLength (const ParameterPointers& parameters) noexcept;

// The end of the pattern's last note, kept from block to block and read again only after a note's
// value changed (the count of changes is read before the notes).
struct PatternEnd
{
    bool known = false;
    uint32_t changesRead = 0;
    bool anyOn = false;
    double latest = 0.0;
};

// The region one block plays in: the loop when looping is on, otherwise the whole timeline
// (whose end still ends every note).
struct LoopRegion
{
    bool looping = false;
    double start = 0.0;
    double length = timelineEnd;

    double end() const noexcept { return start + length; }

    static LoopRegion forBlock (const ParameterPointers& parameters, PatternEnd& patternEnd, uint32_t changeCount) noexcept;
};

} // namespace zelk
