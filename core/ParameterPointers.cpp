#include "core/ParameterPointers.h"

#include "core/NoteFields.h"
#include "core/ParameterLayout.h"

namespace zelk
{
namespace
{
RawValue require (const juce::AudioProcessorValueTreeState& parameters, const juce::String& identifier)
{
    auto* value = parameters.getRawParameterValue (identifier);
    jassert (value != nullptr); // the layout and the pointers name the same identifiers
    return value;
}
} // namespace

ParameterPointers ParameterPointers::bind (const juce::AudioProcessorValueTreeState& parameters)
{
    ParameterPointers p;

    for (int d = 0; d < destinationCount; ++d)
        p.destinations[(size_t) d] = require (parameters, destinationId (d));

    for (int lfo = 0; lfo < lfoCount; ++lfo)
    {
        for (int d = 0; d < destinationCount; ++d)
            p.routes[(size_t) lfo][(size_t) d] = require (parameters, routeParameterId (lfo, d));

        for (int k = 0; k < lfoPointCount; ++k)
            p.points[(size_t) lfo][(size_t) k] = require (parameters, lfoPointId (lfo, k));

        p.sync[(size_t) lfo] = require (parameters, lfoSyncId (lfo));
    }

    for (int slot = 0; slot < slotCount; ++slot)
        for (int f = 0; f < fieldsPerSlot; ++f)
            p.notes[(size_t) slot][(size_t) f] = require (parameters, noteParameterId (slot, f));

    p.rangeEnabled = require (parameters, "rangeEnabled");
    p.rangeStart = require (parameters, "rangeStart");
    p.rangeEnd = require (parameters, "rangeEnd");
    p.loopBars = require (parameters, "loopBars");
    p.looping = require (parameters, "looping");
    p.loop = require (parameters, "loop");
    p.monitor = require (parameters, "monitor");
    p.enabled = require (parameters, "enabled");
    p.hearEdits = require (parameters, "hearEdits");
    p.uiTheme = require (parameters, "uiTheme");
    return p;
}

} // namespace zelk
