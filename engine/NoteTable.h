#pragma once

#include "core/Note.h"

#include <array>
#include <cstdint>

namespace zelk
{
class ZelkProcessor;

// One block's view of the pattern: the 128 notes, their effective connections, where each chain
// ends and which notes start a chain. Brought up to date at the start of a block, so the block
// sees one consistent pattern while the editor writes.
struct NoteTable
{
    std::array<Note, slotCount> notes {};
    std::array<int, slotCount> nextOf {};
    std::array<int, slotCount> prevOf {};
    std::array<double, slotCount> chainEnd {};
    std::array<int, slotCount> heads {};
    int headCount = 0;

    // What the pitch of each note needs that does not change within a block: whether it glides
    // into its next note, where the glide starts, the pitch curve's values at both ends of the
    // glide, the glide's exponent and the vibrato's span and angular factor. Computed with exactly
    // the expressions the pitch formula uses, so that using them changes no result.
    struct PitchConstants
    {
        bool glides = false;
        double glideStart = 0.0;
        double nextStart = 0.0;
        double glideLength = 0.0; // nextStart - glideStart
        double nextPitch = 0.0;
        double fromCurve = 0.0;
        double toCurve = 0.0;
        double exponent = 1.0;
        double vibSpan = 1.0;
        double vibAngle = 0.0;
    };

    std::array<PitchConstants, slotCount> pitchConstants {};

    // Reads the pattern again when a note's value changed since the last reading (or on the first
    // call); returns whether it did.
    bool refresh (const ZelkProcessor& processor) noexcept;

    // The next refresh reads the pattern whatever the count of changes says.
    void invalidate() noexcept { current = false; }

    void build (const ZelkProcessor& processor) noexcept;

    // Links, chain ends and heads from the notes already in `notes`.
    void connect() noexcept;

    // The note of the chain from `head` that sounds at position v (walks at most 128 links).
    int segmentAt (int head, double v) const noexcept;

    // The same, starting from `hint` when that is a note of the same chain already reached at v:
    // starts rise strictly along a chain, so the walk from the head would pass through it.
    int segmentAt (int head, double v, int hint) const noexcept
    {
        return segmentAt (hint >= 0 && (double) notes[(size_t) hint].start <= v ? hint : head, v);
    }

    const Note* nextNoteOf (int slot) const noexcept
    {
        const auto n = nextOf[(size_t) slot];
        return n >= 0 ? &notes[(size_t) n] : nullptr;
    }

private:
    bool current = false;
    uint32_t changesRead = 0;
};

} // namespace zelk
