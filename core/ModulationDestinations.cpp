#include "core/ModulationDestinations.h"

#include <array>

namespace zelk
{
namespace
{
struct DestinationInfo
{
    const char* id;
    const char* name;
    DestinationRange range;
};

constexpr std::array<DestinationInfo, globalControlCount> globalControls { {
    { "bend", "Bend depth", { 0.0f, 48.0f, 48.0f } },
    { "pressure", "Pressure", { 0.0f, 100.0f, 100.0f } },
    { "timbre", "Timbre", { 0.0f, 100.0f, 100.0f } },
    { "transpose", "Transpose", { -24.0f, 24.0f, 0.0f } },
    { "velocity", "Velocity", { 0.0f, 200.0f, 100.0f } },
    { "smooth", "Smoothing", { 0.0f, 50.0f, 5.0f } },
} };

constexpr std::array<DestinationInfo, lfoControlCount> lfoControls { {
    { "rate", "Frequency", { 0.05f, 20.0f, 1.0f } },
    { "stretch", "Length", { 0.25f, 16.0f, 1.0f } },
    { "shape", "Shape", { 0.0f, 5.0f, 0.0f } },
    { "phase", "Phase", { 0.0f, 360.0f, 0.0f } },
    { "level", "Level", { 0.0f, 100.0f, 100.0f } },
} };

bool isValid (int index) noexcept { return index >= 0 && index < destinationCount; }
int lfoOf (int index) noexcept { return (index - globalControlCount) / lfoControlCount; }
const DestinationInfo& lfoControlOf (int index) noexcept { return lfoControls[(size_t) ((index - globalControlCount) % lfoControlCount)]; }
} // namespace

DestinationRange destinationRange (int index) noexcept
{
    if (! isValid (index))
        return { 0.0f, 1.0f, 0.0f };

    return index < globalControlCount ? globalControls[(size_t) index].range : lfoControlOf (index).range;
}

juce::String destinationId (int index)
{
    if (! isValid (index))
        return {};

    if (index < globalControlCount)
        return globalControls[(size_t) index].id;

    return "lfo" + juce::String (lfoOf (index) + 1) + "_" + lfoControlOf (index).id;
}

juce::String destinationName (int index)
{
    if (! isValid (index))
        return {};

    if (index < globalControlCount)
        return globalControls[(size_t) index].name;

    return "LFO " + juce::String (lfoOf (index) + 1) + " " + lfoControlOf (index).name;
}

juce::String routeParameterId (int lfo, int destination)
{
    return "mod" + juce::String (lfo + 1) + "_" + destinationId (destination);
}

} // namespace zelk
