#include "ui/canvas/StripSpans.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelk
{
namespace
{
constexpr float none = std::numeric_limits<float>::infinity();
// Each part painted on its own costs its rows, keys and grid lines again: neighbours are joined
// while that adds at most this share of area.
constexpr float joinedAreaShare = 1.3f;
} // namespace

StripSpans::StripSpans (int width)
    : tops ((size_t) std::max (0, (width + stripWidth - 1) / stripWidth), none)
    , bottoms (tops.size(), -none)
{
}

void StripSpans::add (juce::Rectangle<float> area)
{
    if (area.isEmpty() || tops.empty())
        return;

    const auto last = (int) tops.size() - 1;
    const auto first = std::clamp ((int) std::floor (area.getX() / (float) stripWidth), 0, last);
    const auto end = std::clamp ((int) std::floor (area.getRight() / (float) stripWidth), 0, last);

    for (auto i = first; i <= end; ++i)
    {
        tops[(size_t) i] = std::min (tops[(size_t) i], area.getY());
        bottoms[(size_t) i] = std::max (bottoms[(size_t) i], area.getBottom());
    }

    empty = false;
}

std::vector<juce::Rectangle<int>> StripSpans::rectangles (juce::Rectangle<int> bounds) const
{
    std::vector<juce::Rectangle<int>> parts;
    juce::Rectangle<int> joined;
    auto joinedArea = 0.0f;

    const auto area = [] (juce::Rectangle<int> r) { return (float) r.getWidth() * (float) r.getHeight(); };

    for (size_t i = 0; i < tops.size(); ++i)
    {
        if (tops[i] == none)
            continue;

        const auto top = (int) std::floor (tops[i]);
        const auto strip =
            juce::Rectangle<int> ((int) i * stripWidth, top, stripWidth, (int) std::ceil (bottoms[i]) - top)
                .getIntersection (bounds);

        if (strip.isEmpty())
            continue;

        const auto both = joined.getUnion (strip);

        if (! joined.isEmpty() && joined.getRight() == strip.getX()
            && area (both) <= (joinedArea + area (strip)) * joinedAreaShare)
        {
            joined = both;
            joinedArea += area (strip);
            continue;
        }

        if (! joined.isEmpty())
            parts.push_back (joined);

        joined = strip;
        joinedArea = area (strip);
    }

    if (! joined.isEmpty())
        parts.push_back (joined);

    return parts;
}

} // namespace zelk
