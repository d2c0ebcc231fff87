#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
// Destinations 0..5 are the global controls; 6 + 5n + k is control k of LFO n.
constexpr int destinationCount = 21;
constexpr int globalControlCount = 6;
constexpr int lfoCount = 3;
constexpr int lfoControlCount = 5;
constexpr int lfoPointCount = 9;

namespace destination
{
constexpr int bend = 0;
constexpr int pressure = 1;
constexpr int timbre = 2;
constexpr int transpose = 3;
constexpr int velocity = 4;
constexpr int smooth = 5;

enum LfoControl
{
    rate = 0,
    stretch = 1,
    shape = 2,
    phase = 3,
    level = 4
};

constexpr int ofLfo (int lfo, int control) noexcept { return globalControlCount + lfoControlCount * lfo + control; }
} // namespace destination

struct DestinationRange
{
    float min, max, defaultValue;
};

DestinationRange destinationRange (int index) noexcept;

juce::String destinationId (int index);
juce::String destinationName (int index);
juce::String routeParameterId (int lfo, int destination);

} // namespace zelk
