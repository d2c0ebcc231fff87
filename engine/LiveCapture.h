#pragma once

#include "engine/BlockClock.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace zelk
{
// One incoming MIDI event as CAPTURE kept it.
struct CapturedInput
{
    double beat = 0.0;        // its pattern position
    int32_t sampleOffset = 0; // within its block
    uint8_t bytes[3]{};
    uint8_t size = 0;
    uint32_t capture = 0; // which capture queued it
};

// Incoming MIDI kept while CAPTURE is armed. The block routine copies each event with its sample
// offset and its position into a fixed-size queue with one producer (the audio thread) and one
// consumer (the message thread); a full queue drops events and counts them. Everything the audio
// thread touches is allocated in prepare.
//
// Positions follow the play head (the host's or PLAY's) and the capture ends at a loop wrap or a
// jump back, keeping one pass, or when the transport stops. Armed with no transport running,
// positions run from the first note-on at the block's tempo, unless the transport starts before
// any note was played: then they follow it.
//
// Each arming starts a new capture, numbered together with the state in one atomic word, so that
// a block still finishing an earlier capture can neither end the new one nor add to it.
class LiveCapture
{
public:
    static constexpr int queueCapacity = 65536;

    // Not on the audio thread; the queue is made once and kept.
    void prepare (int maximumBlockSize);

    // Message thread.
    void arm();
    void disarm() noexcept;
    bool isArmed() const noexcept { return stateOf (word.load()) == armed; }
    bool hasEnded() const noexcept { return stateOf (word.load()) == ended; }
    // Moves what the audio thread queued to the end of `events`; returns how many.
    int drain (std::vector<CapturedInput>& events);
    int droppedEvents() const noexcept { return dropped.load(); }
    // The position the capture reached and the tempo it ran at.
    double lastPosition() const noexcept { return position.load(); }
    double tempo() const noexcept { return tempoUsed.load(); }

    // Audio thread: before the block's input is discarded, and after its clock was decided.
    void stage (const juce::MidiBuffer& incoming) noexcept;
    void commit (const BlockClock& clock, int numSamples) noexcept;

private:
    enum State : uint32_t
    {
        off,
        armed,
        ended
    };

    // The low two bits hold the state, the rest the capture's number.
    static constexpr uint32_t stateOf (uint32_t w) noexcept { return w & 3u; }
    static constexpr uint32_t captureOf (uint32_t w) noexcept { return w >> 2; }

    void begin (const BlockClock& clock) noexcept;
    void push (CapturedInput event, uint32_t w) noexcept;
    void end (uint32_t w) noexcept;

    std::atomic<uint32_t> word{off};
    std::atomic<int> dropped{0};
    std::atomic<double> position{0.0};
    std::atomic<double> tempoUsed{120.0};

    juce::AbstractFifo fifo{queueCapacity};
    std::vector<CapturedInput> queue;
    std::vector<CapturedInput> staged;
    int stagedCount = 0;

    // The audio thread's own bookkeeping, started afresh when it sees a new capture.
    uint32_t seenCapture = 0;
    bool begun = false;
    bool followsTransport = false;
    double pass = 0.0;
    double lastBeat = 0.0;
    int64_t samplesSinceArmed = 0;
    int64_t firstNoteOnSample = -1;
};

} // namespace zelk
