#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

namespace zelk
{
// The canvas cut into columns, each with the rows that something in it may shade: where a change
// of a few notes shows, kept narrow along a slanted or bent line.
class StripSpans
{
public:
    static constexpr int stripWidth = 64;

    explicit StripSpans (int width);

    void add (juce::Rectangle<float> area);
    bool isEmpty() const noexcept { return empty; }

    // The spans as whole-pixel rectangles within `bounds`, left to right; neighbours that cover
    // about the same rows are joined, so that a flat line becomes one rectangle.
    std::vector<juce::Rectangle<int>> rectangles (juce::Rectangle<int> bounds) const;

private:
    std::vector<float> tops, bottoms;
    bool empty = true;
};

} // namespace zelk
