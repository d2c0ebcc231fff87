#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class ZelkProcessor;

// Smooths the active note's pitch curve once with a 1-2-1 kernel, keeping both end points.
// Each press smooths further; with no active note nothing happens and no undo step is recorded.
void smoothOnce (ZelkProcessor& processor, CanvasEditState& canvas);

} // namespace zelk
