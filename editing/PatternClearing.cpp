#include "editing/PatternClearing.h"

#include "core/ZelkProcessor.h"
#include "editing/UndoHistory.h"

namespace zelk
{
void clearAllNotes (ZelkProcessor& processor, CanvasEditState& canvas, UndoHistory& history)
{
    canvas.cancelGesture();
    history.pushUndo();
    processor.clearPattern();
    canvas.selection.clear();
    canvas.activeNote = -1;
    // The canvas's refresh runs the editor's after-change refresh and repaints.
    canvas.refresh();
}

} // namespace zelk
