#include "engine/LiveCapture.h"

#include <algorithm>
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
    ++generation;
    state = armed;
}

void LiveCapture::disarm() noexcept
{
    state = off;
}

int LiveCapture::drain (std::vector<CapturedInput>& events)
{
    int start1 = 0, size1 = 0, start2 = 0, size2 = 0;
    fifo.prepareToRead (fifo.getNumReady(), start1, size1, start2, size2);
    events.insert (events.end(), queue.begin() + start1, queue.begin() + start1 + size1);
    events.insert (events.end(), queue.begin() + start2, queue.begin() + start2 + size2);
    fifo.finishedRead (size1 + size2);
    return size1 + size2;
}

void LiveCapture::stage (const juce::MidiBuffer& incoming) noexcept
{
    stagedCount = 0;

    if (state.load() != armed || staged.empty())
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

void LiveCapture::push (const CapturedInput& event) noexcept
{
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

void LiveCapture::end() noexcept
{
    auto expected = (int) armed;
    state.compare_exchange_strong (expected, (int) ended);
}

void LiveCapture::commit (const BlockClock& clock, int numSamples) noexcept
{
    const auto count = std::exchange (stagedCount, 0);

    if (state.load() != armed || queue.empty())
        return;

    if (const auto g = generation.load(); g != seenGeneration)
    {
        seenGeneration = g;
        begun = false;
    }

    if (!begun)
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

    const auto last = std::max (0, numSamples - 1);

    if (followsTransport)
    {
        // The host stopping ends the capture, as do the loop wrapping and a jump back.
        const auto wrapsAt = [&] (int sample)
        { return clock.passOf (sample) != pass || clock.positionOf (sample) < lastBeat - backwardsTolerance; };

        if (!clock.running || wrapsAt (0))
        {
            end();
            return;
        }

        for (int i = 0; i < count; ++i)
        {
            auto event = staged[(size_t) i];

            if (wrapsAt (event.sampleOffset))
            {
                end();
                return;
            }

            event.beat = clock.positionOf (event.sampleOffset);
            lastBeat = std::max (lastBeat, event.beat);
            push (event);
        }

        if (wrapsAt (last))
        {
            end();
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
        push (event);
    }

    samplesSinceArmed += numSamples;
    position = firstNoteOnSample < 0 ? 0.0 : (double) (samplesSinceArmed - firstNoteOnSample) * clock.beatsPerSample;
}

} // namespace zelk
