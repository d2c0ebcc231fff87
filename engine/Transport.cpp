#include "engine/Transport.h"

#include <cmath>

namespace zelk
{
void Transport::reset() noexcept
{
    nextBlockPosition = 0.0;
    stoppedPosition = 0.0;
    hostOffset = 0.0;
    wasPlaying = false;
    prevHostPlaying = false;
    stopLatch = false;
    prevHostPosition = std::numeric_limits<double>::quiet_NaN();
}

namespace
{
// Some hosts (Ardour among them) report the song position in whole ticks of 1/1920 beat, so a
// block's start may sit up to a tick away from where the previous block ended without any jump.
constexpr double hostTick = 1.0 / 1920.0;

bool onTickGrid (double position) noexcept
{
    const auto ticks = position / hostTick;
    return std::isfinite (ticks) && std::abs (ticks - std::round (ticks)) < 1.0e-6;
}
} // namespace

BlockTransport Transport::read (juce::AudioPlayHead* playHead, TransportRequests requests,
                                const LoopRegion& loop) noexcept
{
    BlockTransport block;
    block.blockStart = nextBlockPosition;

    if (playHead != nullptr)
    {
        if (const auto position = playHead->getPosition())
        {
            block.hostPlaying = position->getIsPlaying();

            if (const auto bpm = position->getBpm(); bpm && std::isfinite (*bpm) && *bpm > 0.0)
                block.tempo = std::clamp (*bpm, 20.0, 400.0);

            if (const auto ppq = position->getPpqPosition(); ppq && std::isfinite (*ppq))
            {
                block.blockStart = *ppq;

                if (block.hostPlaying)
                    block.hostPosition = *ppq;
            }

            // The host's transport takes over from the PLAY button.
            if (block.hostPlaying)
                requests.playRequested = false;
        }
    }

    if (block.hostPlaying != prevHostPlaying)
    {
        stopLatch = false;

        if (! block.hostPlaying)
        {
            stoppedPosition = requests.startPosition.load();
            hostOffset = 0.0;
        }
    }

    if (block.hostPlaying)
    {
        block.blockStart += hostOffset;
    }
    else
    {
        if (! wasPlaying && requests.playRequested.load())
        {
            stoppedPosition = requests.startPosition.load();

            // PLAY outside the loop starts at the loop.
            if (loop.looping && (stoppedPosition < loop.start || stoppedPosition >= loop.start + loop.length))
                stoppedPosition = loop.start;
        }

        block.blockStart = stoppedPosition;
    }

    const auto seek = requests.seekRequest.exchange (-1.0);

    if (seek >= 0.0)
    {
        if (block.hostPlaying)
            hostOffset += seek - block.blockStart;
        else
            stoppedPosition = seek;

        block.blockStart = seek;
        block.jumped = true;
    }

    return block;
}

bool Transport::needsReset (const BlockTransport& block, const LoopRegion& region, bool playing, bool reloaded,
                            double beatsPerSample) const noexcept
{
    // Two samples of slack, and a tick more when the host counts its position in ticks.
    auto slack = 2.0 * beatsPerSample;

    if (onTickGrid (block.hostPosition) && onTickGrid (prevHostPosition))
        slack += hostTick;

    return block.jumped || std::abs (region.start - prevLoopStart) > 0.001 || region.looping != prevLooping || reloaded
        || std::abs (region.length - prevLoopLength) > 0.001 || block.hostPlaying != prevHostPlaying
        || (playing && wasPlaying && std::abs (block.blockStart - nextBlockPosition) > slack);
}

void Transport::finish (const BlockTransport& block, const LoopRegion& region, bool playing, int numSamples,
                        double beatsPerSample, double startPosition) noexcept
{
    nextBlockPosition = block.blockStart + numSamples * beatsPerSample;

    if (! block.hostPlaying)
        stoppedPosition = playing ? nextBlockPosition : startPosition;

    wasPlaying = playing;
    prevHostPlaying = block.hostPlaying;
    prevLooping = region.looping;
    prevLoopStart = region.start;
    prevLoopLength = region.length;
    prevHostPosition = block.hostPosition;
}

} // namespace zelk
