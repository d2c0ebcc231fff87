#include "ui/canvas/ZelkCanvas.h"

#include <cmath>

namespace zelk
{
namespace
{
const juce::String glideHint { "Drag glide up/down: shape / Shift: fine / double-click: straight" };
}

void ZelkCanvas::mouseMove (const juce::MouseEvent& e)
{
    updateHover (e.position);
}

void ZelkCanvas::mouseExit (const juce::MouseEvent&)
{
    hovering = false;
    repaint();
}

void ZelkCanvas::updateHover (juce::Point<float> position)
{
    lastPointer = position;
    hovering = true;

    if (tool == Tool::edit && hitTestGlide (position) >= 0)
    {
        hint = glideHint;
        setMouseCursor (juce::MouseCursor::UpDownResizeCursor);
    }
    else
    {
        const auto pitch = yToPitch (position.y);
        const auto key = std::nearbyint (pitch);
        const auto cents = (int) std::nearbyint ((pitch - key) * 100.0);
        hint = noteName ((int) key) + "  " + juce::String (cents) + " ct   /   beat "
             + juce::String (xToBeat (position.x), 2);
        restoreToolCursor();
    }

    repaint();
}

} // namespace zelk
