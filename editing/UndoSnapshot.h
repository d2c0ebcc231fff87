#pragma once

#include "core/Note.h"

#include <array>

namespace zelk
{
// One undo step: the whole pattern as `readNote` returns it (free slots included) and the time
// selection and loop switch, in the parameters' own units. Nothing else is undone.
struct UndoSnapshot
{
    std::array<Note, slotCount> notes {};
    float rangeStart = 0.0f;
    float rangeEnd = 4.0f;
    float rangeEnabled = 0.0f;
    float looping = 0.0f;
};

} // namespace zelk
