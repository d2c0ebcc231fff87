#include "core/ParameterPointers.h"

#include "core/NoteFields.h"
#include "core/ParameterLayout.h"

namespace zelk
{
ParameterPointers ParameterPointers::bind (const std::function<RawValue (const juce::String&)>& rawValueOf)
{
    const auto require = [&rawValueOf] (const juce::String& identifier)
    {
        auto* value = rawValueOf (identifier);
        jassert (value != nullptr); // the layout and the pointers name the same identifiers
        return value;
    };
    ParameterPointers p;

    for (int d = 0; d < destinationCount; ++d)
        p.destinations[(size_t) d] = require (destinationId (d));

    for (int lfo = 0; lfo < lfoCount; ++lfo)
    {
        for (int d = 0; d < destinationCount; ++d)
            p.routes[(size_t) lfo][(size_t) d] = require (routeParameterId (lfo, d));

        for (int k = 0; k < lfoPointCount; ++k)
            p.points[(size_t) lfo][(size_t) k] = require (lfoPointId (lfo, k));

        p.sync[(size_t) lfo] = require (lfoSyncId (lfo));
    }

    for (int slot = 0; slot < slotCount; ++slot)
        for (int f = 0; f < fieldsPerSlot; ++f)
            p.notes[(size_t) slot][(size_t) f] = require (noteParameterId (slot, f));

    p.rangeEnabled = require ("rangeEnabled");
    p.rangeStart = require ("rangeStart");
    p.rangeEnd = require ("rangeEnd");
    p.loopBars = require ("loopBars");
    p.looping = require ("looping");
    p.loop = require ("loop");
    p.monitor = require ("monitor");
    p.enabled = require ("enabled");
    p.hearEdits = require ("hearEdits");
    p.uiTheme = require ("uiTheme");
    return p;
}

} // namespace zelk
