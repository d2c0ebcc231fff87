#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class ZelkProcessor;

// Links the selected notes into one phrase in time order, so they share one attack and glide
// into each other. Refuses, with a hint and no change, fewer than two notes, notes that overlap
// and a phrase wider than the MPE bend range from its first key.
void connectSelection (ZelkProcessor& processor, CanvasEditState& canvas);

// Removes every connection from or into the selected notes.
void disconnectSelection (ZelkProcessor& processor, CanvasEditState& canvas);

} // namespace zelk
