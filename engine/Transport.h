#pragma once

#include "engine/LoopRegion.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <limits>

namespace zelk
{
// The editor's transport requests, consumed by the block routine.
struct TransportRequests
{
    std::atomic<bool>& playRequested;
    std::atomic<double>& startPosition;
    std::atomic<double>& seekRequest;
};

// What the transport decided for one block.
struct BlockTransport
{
    double tempo = 120.0;
    bool hostPlaying = false;
    double blockStart = 0.0;
    bool jumped = false;
    // The song position the host reported for this block while it played, before any seek's
    // offset; NaN otherwise.
    double hostPosition = std::numeric_limits<double>::quiet_NaN();
};

// The playback clock: the host's song position while the host plays, the internal clock (PLAY)
// while it is stopped, and the bookkeeping that carries from one block to the next.
class Transport
{
public:
    // What prepareToPlay clears; the previous loop region survives it.
    void reset() noexcept;

    // Tempo, host playing and the block's start position, with seeks applied.
    BlockTransport read (juce::AudioPlayHead* playHead, TransportRequests requests, const LoopRegion& loop) noexcept;

    // Whether playback restarts from scratch in this block.
    bool needsReset (const BlockTransport& block, const LoopRegion& region, bool playing, bool reloaded,
                     double beatsPerSample) const noexcept;

    // Stores what the next block compares against.
    void finish (const BlockTransport& block, const LoopRegion& region, bool playing, int numSamples,
                 double beatsPerSample, double startPosition) noexcept;

    double nextBlockPosition = 0.0;
    double stoppedPosition = 0.0;
    double hostOffset = 0.0;
    bool wasPlaying = false;
    bool prevHostPlaying = false;
    bool stopLatch = false;
    bool prevLooping = false;
    double prevLoopStart = 0.0;
    double prevLoopLength = 16.0;
    double prevHostPosition = std::numeric_limits<double>::quiet_NaN();
};

} // namespace zelk
