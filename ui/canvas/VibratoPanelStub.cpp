#include "ui/canvas/ZelkCanvas.h"

namespace zelk
{
// Replaced by the inline vibrato panel.
void ZelkCanvas::toggleVibratoPanel() {}
} // namespace zelk
