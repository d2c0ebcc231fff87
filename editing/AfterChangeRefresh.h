#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class ZelkProcessor;

// What the editor does after every change to the pattern, whoever made it: forget an active note
// whose slot has been freed, and let the glide values for new connections follow the active
// note's own glide. The editor repaints itself afterwards.
void afterChangeRefresh (const ZelkProcessor& processor, CanvasEditState& canvas);

} // namespace zelk
