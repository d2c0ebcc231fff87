#pragma once

#include "core/Note.h"
#include "core/OutputOptions.h"
#include "engine/ClampedNotes.h"
#include "engine/ExpressionLanes.h"

#include <array>
#include <cstdint>

namespace zelk
{
// One MPE member channel: the chain it holds and the expression last sent on it.
struct MemberChannel
{
    int32_t slot = -1;
    int32_t note = 60;
    double iteration = 0.0;
    int32_t lastBend = -1;
    int32_t lastPressure = -1;
    int32_t lastTimbre = -1;
    // The chain's note reached at the last position in this block, where the next walk starts,
    // and the positions over which it stays the sounding note (none until the first walk).
    int32_t segment = -1;
    double segmentFrom = 0.0;
    double segmentUntil = -1.0;

    bool holding() const noexcept { return slot >= 0; }
};

constexpr int memberChannelCount = 15;

// The 15 member records, with an index from slot to record so that "is this chain already
// sounding" costs one lookup per head and sample. The output options say how many of them may
// sound and which MIDI channel each drives: by default record c drives channel c + 2, and channel
// 1 is the zone's master channel.
class MemberChannels
{
public:
    MemberChannels()
    {
        holderOfSlot.fill (-1);
        useLayout ({});
    }

    // Only while no record holds a note: records beyond the zone's members stay free.
    void useLayout (const OutputOptions& options) noexcept;
    const OutputOptions& layout() const noexcept { return output; }
    int midiChannelOf (int record) const noexcept { return midiChannels[(size_t) record]; }
    int usableCount() const noexcept { return output.memberChannels; }
    // The member channels' bend range in semitones, as the conversions divide by it.
    double bendRange() const noexcept { return range; }

    const MemberChannel& operator[] (int record) const noexcept { return records[(size_t) record]; }
    MemberChannel& operator[] (int record) noexcept { return records[(size_t) record]; }

    int holderOf (int slot) const noexcept { return holderOfSlot[(size_t) slot]; }
    int lowestFree() const noexcept;
    int holdingCount() const noexcept { return holding; }

    void occupy (int record, int slot) noexcept;
    void free (int record) noexcept;
    void freeAll() noexcept;

    // After the table was rebuilt: the next walks start at the chains' heads.
    void forgetSegments() noexcept
    {
        for (auto& r : records)
        {
            r.segment = -1;
            r.segmentUntil = -1.0;
        }

        lanes.forgetPoints();
        unsettle();
    }

    // Positions over which no holding channel's sounding note changes, and the lanes in use, as
    // the last walk over all channels found them: while v stays inside, that walk has nothing to
    // do. Taking, freeing or moving any channel forgets them.
    bool settledAt (double v) const noexcept { return v >= settledFrom && v < settledUntil; }
    void settle (double from, double until, int lanesUsed) noexcept
    {
        settledFrom = from;
        settledUntil = until;
        settledLanes = lanesUsed;
    }
    void unsettle() noexcept { settledUntil = -1.0; }
    int lanesInUse() const noexcept { return settledLanes; }

    // The expression targets of every channel, lane c for record c.
    ExpressionLanes lanes;

    // The chains whose bend went past the range since playback started.
    ClampedNotes clamped;

private:
    std::array<MemberChannel, memberChannelCount> records {};
    std::array<int8_t, slotCount> holderOfSlot {};
    std::array<int8_t, memberChannelCount> midiChannels {};
    OutputOptions output;
    double range = OutputOptions::defaultBendRange;
    int holding = 0;
    double settledFrom = 0.0;
    double settledUntil = -1.0;
    int settledLanes = 0;
};

} // namespace zelk
