#include "engine/ModulationRoutes.h"

#include "core/ZelkProcessor.h"

namespace zelk::routes
{
namespace
{
bool isRoute (int lfo, int destination) noexcept
{
    return lfo >= 0 && lfo < lfoCount && destination >= 0 && destination < destinationCount;
}
} // namespace

void connect (ZelkProcessor& processor, int lfo, int destination)
{
    if (! isRoute (lfo, destination))
        return;

    const auto depth = processor.raw().routes[(size_t) lfo][(size_t) destination]->load();

    if (std::abs (depth) < 0.005f)
        processor.setParameterValue (routeParameterId (lfo, destination), 25.0f);
}

void setDepth (ZelkProcessor& processor, int lfo, int destination, float depth)
{
    if (isRoute (lfo, destination))
        processor.setParameterValue (routeParameterId (lfo, destination), std::clamp (depth, -100.0f, 100.0f));
}

void clear (ZelkProcessor& processor, int lfo, int destination)
{
    setDepth (processor, lfo, destination, 0.0f);
}

void clearAll (ZelkProcessor& processor)
{
    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            clear (processor, lfo, d);
}

} // namespace zelk::routes
