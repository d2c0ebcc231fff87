#include "editing/AfterChangeRefresh.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
void afterChangeRefresh (const ZelkProcessor& processor, CanvasEditState& canvas)
{
    if (canvas.activeNote < 0)
        return;

    const auto note = processor.readNote (canvas.activeNote);

    if (canvas.activeNote >= slotCount || ! note.on)
    {
        canvas.activeNote = -1;
        return;
    }

    if (note.next >= 0)
    {
        canvas.connectGlide = note.glide;
        canvas.connectGlideShape = note.glideShape;
    }
}

} // namespace zelk
