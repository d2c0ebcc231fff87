#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class ZelkProcessor;

// Selects every note; the lowest becomes the active note.
void selectAll (const ZelkProcessor& processor, CanvasEditState& canvas);

// Selects nothing.
void clearSelection (CanvasEditState& canvas);

// Frees the slots of the selected notes and cuts every link into them.
void deleteSelection (ZelkProcessor& processor, CanvasEditState& canvas);

// Moves the selected notes by dt beats and dk semitones, limited so that the group stays on the
// timeline and in the key range and keeps its shape.
void nudgeSelection (ZelkProcessor& processor, CanvasEditState& canvas, double dt, int dk);

// Moves the start of each selected note to the nearest sixteenth; durations do not change.
void quantizeSelectionStarts (ZelkProcessor& processor, CanvasEditState& canvas);

} // namespace zelk
