#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class UndoHistory;
class ZelkProcessor;

// Frees every slot as one undo step and drops the selection. The time selection, the loop
// switch and every other setting stay as they are.
void clearAllNotes (ZelkProcessor& processor, CanvasEditState& canvas, UndoHistory& history);

} // namespace zelk
