#include "ui/canvas/PolylineThinning.h"

#include <cmath>

namespace zelk
{
void thinToPixelColumns (std::vector<juce::Point<float>>& points)
{
    const auto count = points.size();

    if (count <= 2)
        return;

    size_t kept = 1; // the first point always stays
    size_t begin = 1;

    while (begin < count - 1)
    {
        // One run of points sharing a pixel column, never including the last point.
        const auto column = std::floor (points[begin].x);
        auto end = begin + 1;

        while (end < count - 1 && std::floor (points[end].x) == column)
            ++end;

        auto lowest = begin, highest = begin;

        for (auto i = begin + 1; i < end; ++i)
        {
            if (points[i].y < points[lowest].y)
                lowest = i;

            if (points[i].y > points[highest].y)
                highest = i;
        }

        const auto first = std::min (lowest, highest);
        const auto second = std::max (lowest, highest);
        points[kept++] = points[first];

        if (second != first)
            points[kept++] = points[second];

        begin = end;
    }

    points[kept++] = points[count - 1];
    points.resize (kept);
}

} // namespace zelk
