#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

namespace zelk
{
// Drops the points of a polyline, running left to right, that cannot change what a stroke of it
// looks like: of the points falling into one pixel column only the lowest and the highest stay,
// in their original order, plus the polyline's first and last point. A fast vibrato drawn with
// thousands of points then costs about as much to stroke as its width in pixels.
void thinToPixelColumns (std::vector<juce::Point<float>>& points);

} // namespace zelk
