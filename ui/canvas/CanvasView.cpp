#include "ui/canvas/ZelkCanvas.h"

#include "core/PatternExtent.h"
#include "core/ZelkProcessor.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr float edgeScrollPixels = 12.0f;
constexpr double edgeScrollShare = 0.02;

double fractionOf (float offset, float extent) noexcept
{
    return extent > 0.0f ? std::clamp ((double) offset / extent, 0.0, 1.0) : 0.0;
}
} // namespace

void ZelkCanvas::zoomTime (double factor, double anchor)
{
    const auto start = effectiveViewStart();
    const auto length = effectiveViewLength();
    const auto anchorBeat = start + length * anchor;
    viewLength = std::clamp (length * factor, 1.0, timelineEnd);
    viewStart = std::clamp (anchorBeat - viewLength * anchor, 0.0, timelineEnd - viewLength);
    repaint();
}

void ZelkCanvas::zoomToFit()
{
    viewStart = 0.0;
    viewLength = std::max (patternBarLength (processor), processor.loopStart() + processor.loopLength());
    repaint();
}

void ZelkCanvas::zoomToSelection()
{
    const auto notes = selectedNotes();

    if (notes.empty())
        return;

    auto first = timelineEnd;
    auto last = 0.0;

    for (const auto slot : notes)
    {
        const auto note = processor.readNote (slot);
        first = std::min (first, (double) note.start);
        last = std::max (last, (double) note.start + note.duration);
    }

    viewLength = std::max (last - first + 1.0, 1.0);
    viewStart = std::max (first - 0.5, 0.0);
    repaint();
}

void ZelkCanvas::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (gesture.isActive())
        return;

    const auto grid = gridArea();
    const auto dx = wheel.deltaX;
    const auto dy = wheel.deltaY;
    const auto maximumLowestKey = [this] { return 128 - visibleRows; };

    if (e.mods.isAltDown())
    {
        const auto v = std::abs (dy) > 0.001f ? dy : dx;

        if (std::abs (v) <= 0.001f)
            return;

        // Zoom the rows about the pointer: the pitch under it stays under it.
        const auto pitch = yToPitch (e.position.y);
        visibleRows = std::clamp (visibleRows + (v > 0.0f ? -2 : 2), minimumRows, maximumRows);
        const auto share = fractionOf (e.position.y - grid.getY(), grid.getHeight());
        const auto key = std::lround (pitch - visibleRows + 0.5 + visibleRows * share);
        lowestKey = std::clamp ((int) key, 0, maximumLowestKey());
    }
    else if (e.mods.isCtrlDown())
    {
        zoomTime (dy > 0.0f ? 0.8 : 1.25, fractionOf ((float) e.x - grid.getX(), grid.getWidth()));
    }
    else if (e.mods.isShiftDown() || std::abs (dx) > 0.01f)
    {
        const auto length = effectiveViewLength();
        const auto delta = e.mods.isShiftDown() ? dy : dx;
        viewStart = std::clamp (effectiveViewStart() - length * delta, 0.0, timelineEnd - length);
    }
    else
    {
        cancelGesture();
        lowestKey = std::clamp (lowestKey + (dy > 0.0f ? 2 : -2), 0, maximumLowestKey());
    }

    repaint();
}

void ZelkCanvas::beginPan (juce::Point<float> position)
{
    gesture.kind = GestureKind::pan;
    gesture.pressPosition = position;
    gesture.panViewStart = effectiveViewStart();
    gesture.panLowestKey = lowestKey;
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
}

void ZelkCanvas::dragPan (juce::Point<int> position)
{
    const auto grid = gridArea();
    const auto length = effectiveViewLength();

    if (grid.getWidth() > 0.0f)
    {
        const auto shift = length * (position.x - gesture.pressPosition.x) / grid.getWidth();
        viewStart = std::clamp (gesture.panViewStart - shift, 0.0, timelineEnd - length);
    }

    if (rowHeight() > 0.0f)
    {
        const auto rows = std::lround ((position.y - gesture.pressPosition.y) / rowHeight());
        lowestKey = std::clamp (gesture.panLowestKey + (int) rows, 0, 128 - visibleRows);
    }

    repaint();
}

void ZelkCanvas::scrollAtEdges (float x)
{
    const auto grid = gridArea();
    const auto start = effectiveViewStart();
    const auto length = effectiveViewLength();

    if (x > grid.getRight() - edgeScrollPixels)
        viewStart = std::min (start + edgeScrollShare * length, timelineEnd - length);
    else if (x < grid.getX() + edgeScrollPixels)
        viewStart = std::max (start - edgeScrollShare * length, 0.0);
}

} // namespace zelk
