#include "engine/LoopRegion.h"

#include "core/NoteFields.h"

#include <algorithm>

namespace zelk
{
namespace
{
float load (const RawValue value) noexcept { return value->load (std::memory_order_relaxed); }

// Same arithmetic as readNote, for the three fields the loop needs.
double latestNoteEnd (const ParameterPointers& parameters, bool& anyOn) noexcept
{
    auto latest = 0.0;
    anyOn = false;

    for (const auto& p : parameters.notes)
    {
        if (! isSwitchOn (p[(size_t) field::on]))
            continue;

        const auto start = load (p[(size_t) field::startPage]) * (float) beatsPerPage + load (p[(size_t) field::start]);
        const auto duration = load (p[(size_t) field::durationPage]) * (float) beatsPerPage + load (p[(size_t) field::duration]);
        latest = anyOn ? std::max (latest, (double) start + duration) : (double) start + duration;
        anyOn = true;
    }

    return latest;
}
} // namespace

double loopStart (const ParameterPointers& parameters) noexcept
{
    if (! isSwitchOn (parameters.rangeEnabled))
        return 0.0;

    return std::clamp ((double) load (parameters.rangeStart), 0.0, timelineEnd - minimumDuration);
}

namespace
{
double selectionLength (const ParameterPointers& parameters) noexcept
{
    const auto start = loopStart (parameters);
    const auto length = (double) load (parameters.rangeEnd) - start;
    return length < minimumDuration ? minimumDuration : std::min (length, timelineEnd - start);
}

double patternLength (bool anyOn, double latest) noexcept
{
    return anyOn ? std::clamp (latest, minimumDuration, timelineEnd) : 4.0;
}
} // namespace

double loopLength (const ParameterPointers& parameters) noexcept
{
    if (isSwitchOn (parameters.rangeEnabled))
        return selectionLength (parameters);

    bool anyOn = false;
    const auto latest = latestNoteEnd (parameters, anyOn);
    return patternLength (anyOn, latest);
}

LoopRegion LoopRegion::forBlock (const ParameterPointers& parameters, PatternEnd& patternEnd, uint32_t changeCount) noexcept
{
    LoopRegion region;
    region.looping = isSwitchOn (parameters.looping);

    if (! region.looping)
        return region;

    region.start = loopStart (parameters);

    if (isSwitchOn (parameters.rangeEnabled))
    {
        region.length = selectionLength (parameters);
        return region;
    }

    if (! patternEnd.known || patternEnd.changesRead != changeCount)
    {
        patternEnd.latest = latestNoteEnd (parameters, patternEnd.anyOn);
        patternEnd.changesRead = changeCount;
        patternEnd.known = true;
    }

    region.length = patternLength (patternEnd.anyOn, patternEnd.latest);
    return region;
}

} // namespace zelk
