#pragma once

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"

namespace zelk
{
// Sets one field of one slot through the processor's single editing path, so the host is told.
inline void setSlotParameter (ZelkProcessor& processor, int slot, int fieldNumber, float value)
{
    processor.setParameterValue (noteParameterId (slot, fieldNumber), value);
}

// The stored "next" parameter is the slot number plus one, 0 meaning none.
inline void setNextSlot (ZelkProcessor& processor, int slot, int nextSlot)
{
    setSlotParameter (processor, slot, field::next, (float) (nextSlot + 1));
}

} // namespace zelk
