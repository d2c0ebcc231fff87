#pragma once

#include "editing/CanvasEditState.h"

namespace zelk
{
class ZelkProcessor;

// Replaces the clipboard with the selected notes (an empty selection empties it).
void copySelection (const ZelkProcessor& processor, CanvasEditState& canvas);

// Inserts the clipboard into the lowest free slots with its earliest note at beat `b`, keeping
// the connections inside the copied group, and selects the inserted notes. Refuses with a hint
// when there are too few free slots or the group would pass the end of the timeline.
void pasteAt (ZelkProcessor& processor, CanvasEditState& canvas, double b);

// Copies the selection and pastes it right after its own end.
void duplicateSelection (ZelkProcessor& processor, CanvasEditState& canvas);

// Copies the selection, then deletes it.
void cutSelection (ZelkProcessor& processor, CanvasEditState& canvas);

} // namespace zelk
