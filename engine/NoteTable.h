#pragma once

#include "core/Note.h"

#include <array>

namespace zelk
{
class ZelkProcessor;

// One block's view of the pattern: the 128 notes, their effective connections, where each chain
// ends and which notes start a chain. Rebuilt at the start of every block, so the block sees one
// consistent pattern while the editor writes.
struct NoteTable
{
    std::array<Note, slotCount> notes {};
    std::array<int, slotCount> nextOf {};
    std::array<int, slotCount> prevOf {};
    std::array<double, slotCount> chainEnd {};
    std::array<int, slotCount> heads {};
    int headCount = 0;

    void build (const ZelkProcessor& processor) noexcept;

    // Links, chain ends and heads from the notes already in `notes`.
    void connect() noexcept;

    // The note of the chain from `head` that sounds at position v (walks at most 128 links).
    int segmentAt (int head, double v) const noexcept;

    const Note* nextNoteOf (int slot) const noexcept
    {
        const auto n = nextOf[(size_t) slot];
        return n >= 0 ? &notes[(size_t) n] : nullptr;
    }
};

} // namespace zelk
