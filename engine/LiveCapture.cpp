#include "engine/LiveCapture.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace zelk
{
namespace
{
// Room for the events of one block; a host that sends more in one block loses the rest.
constexpr int stagedCapacity = 16384;
// A host's song position wobbles a little from block to block; going back further is a jump.
constexpr double backwardsTolerance = 0.01;
} // namespace

void LiveCapture::prepare (int)
{
    if (queue.empty())
        queue.resize ((size_t) queueCapacity);

    if (staged.empty())
        staged.resize ((size_t) stagedCapacity);
}

void LiveCapture::arm()
{
    // Whatever an earlier capture left in the queue is not this one's.
    std::vector<CapturedInput> leftovers;
    drain (leftovers);
    dropped = 0;
    position = 0.0;
    word = ((captureOf (word.load()) + 1) << 2) | armed;
}

void LiveCapture::disarm() noexcept
{
    word = word.load() & ~3u;
}

int LiveCapture::drain (std::vector<CapturedInput>& events)
{
    int start1 = 0, size1 = 0, start2 = 0, size2 = 0;
    fifo.prepareToRead (fifo.getNumReady(), start1, size1, start2, size2);
    const auto current = captureOf (word.load());
    const auto before = events.size();
    const auto keep = [&] (int start, int size)
    {
        std::copy_if (queue.begin() + start, queue.begin() + start + size, std::back_inserter (events),
                      [current] (const CapturedInput& e) { return e.capture == current; });
    };
    keep (start1, size1);
    keep (start2, size2);
    fifo.finishedRead (size1 + size2);
    return (int) (events.size() - before);
}

void LiveCapture::stage (const juce::MidiBuffer& incoming) noexcept
{
    stagedCount = 0;

    if (stateOf (word.load()) != armed || staged.empty())
        return;

    for (const auto metadata : incoming)
    {
        // Channel messages only: system exclusive and the like carry no performance.
        if (metadata.numBytes < 1 || metadata.numBytes > 3 || metadata.data[0] < 0x80 || metadata.data[0] >= 0xf0)
            continue;

        if (stagedCount == (int) staged.size())
        {
            ++dropped;
            continue;
        }

        auto& event = staged[(size_t) stagedCount++];
        event.sampleOffset = metadata.samplePosition;
        event.size = (uint8_t) metadata.numBytes;
        std::copy (metadata.data, metadata.data + metadata.numBytes, event.bytes);
    }
}

void LiveCapture::push (CapturedInput event, uint32_t w) noexcept
{
    event.capture = captureOf (w);
    int start1 = 0, size1 = 0, start2 = 0, size2 = 0;
    fifo.prepareToWrite (1, start1, size1, start2, size2);

    if (size1 + size2 == 0)
    {
        ++dropped;
        return;
    }

    queue[(size_t) (size1 > 0 ? start1 : start2)] = event;
    fifo.finishedWrite (1);
}

// Ends only the capture that block was keeping.
void LiveCapture::end (uint32_t w) noexcept
{
    word.compare_exchange_strong (w, (w & ~3u) | ended);
}

void LiveCapture::begin (const BlockClock& clock) noexcept
{
    // The transport's state when the capture began decides how positions run.
    begun = true;
    followsTransport = clock.running;
    pass = clock.passOf (0);
    lastBeat = clock.positionOf (0);
    samplesSinceArmed = 0;
    firstNoteOnSample = -1;
    tempoUsed = clock.tempo;
}

void LiveCapture::commit (const BlockClock& clock, int numSamples) noexcept
{
    const auto count = std::exchange (stagedCount, 0);

    const auto w = word.load();

    if (stateOf (w) != armed || queue.empty())
        return;

    if (captureOf (w) != seenCapture)
    {
        seenCapture = captureOf (w);
        begun = false;
    }

    // PLAY or the host starting before the first note makes the capture follow the transport.
    if (!begun || (!followsTransport && clock.running && firstNoteOnSample < 0))
        begin (clock);

    const auto last = std::max (0, numSamples - 1);

    if (followsTransport)
    {
        // The host stopping ends the capture, as do the loop wrapping and a jump back.
        const auto wrapsAt = [&] (int sample)
        { return clock.passOf (sample) != pass || clock.positionOf (sample) < lastBeat - backwardsTolerance; };

        if (!clock.running || wrapsAt (0))
        {
            end (w);
            return;
        }

        for (int i = 0; i < count; ++i)
        {
            auto event = staged[(size_t) i];

            if (wrapsAt (event.sampleOffset))
            {
                end (w);
                return;
            }

            event.beat = clock.positionOf (event.sampleOffset);
            lastBeat = std::max (lastBeat, event.beat);
            push (event, w);
        }

        if (wrapsAt (last))
        {
            end (w);
            return;
        }

        lastBeat = std::max (lastBeat, clock.positionOf (last));
        position = lastBeat;
        return;
    }

    // No transport: the first note-on is beat 0 and time runs on at the block's tempo.
    for (int i = 0; i < count; ++i)
    {
        auto event = staged[(size_t) i];
        const auto sample = samplesSinceArmed + event.sampleOffset;

        if (firstNoteOnSample < 0 && (event.bytes[0] & 0xf0) == 0x90 && event.size == 3 && event.bytes[2] > 0)
            firstNoteOnSample = sample;

        event.beat = firstNoteOnSample < 0 ? 0.0 : (double) (sample - firstNoteOnSample) * clock.beatsPerSample;
        push (event, w);
    }

    samplesSinceArmed += numSamples;
    position = firstNoteOnSample < 0 ? 0.0 : (double) (samplesSinceArmed - firstNoteOnSample) * clock.beatsPerSample;
}

} // namespace zelk
