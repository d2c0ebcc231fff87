#pragma once

#include "core/Note.h"

#include <array>

namespace zelk
{
// The chains, by their first slot, that bent past the member channels' range since playback
// started: each counts once, however often its bend is clamped.
class ClampedNotes
{
public:
    void restart() noexcept
    {
        marked.fill (false);
        count = 0;
    }

    void mark (int slot) noexcept
    {
        if (slot >= 0 && slot < slotCount && ! marked[(size_t) slot])
        {
            marked[(size_t) slot] = true;
            ++count;
        }
    }

    int size() const noexcept { return count; }

private:
    std::array<bool, slotCount> marked {};
    int count = 0;
};

} // namespace zelk
