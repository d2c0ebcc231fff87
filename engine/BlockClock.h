#pragma once

#include "engine/LoopRegion.h"

namespace zelk
{
// How one block's samples map to pattern positions, as the block routine decided it: sample m of
// the block lies at start + m x beatsPerSample, wrapped into the loop when looping is on.
struct BlockClock
{
    bool running = false; // the host's transport or PLAY moves the position
    double start = 0.0;
    double beatsPerSample = 0.0;
    double tempo = 120.0;
    LoopRegion region;

    double positionOf (int sample) const noexcept;
    // Which pass of the loop a sample lies in; 0 without looping.
    double passOf (int sample) const noexcept;
};

} // namespace zelk
