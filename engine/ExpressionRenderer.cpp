#include "engine/ExpressionRenderer.h"

#include "core/PatternMath.h"
#include "engine/MidiValues.h"
#include "engine/PortableMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelk
{
namespace
{
// Keeps record c's lane on the note of its chain sounding at v: the chain is walked and the lane
// reloaded only when v leaves the note of the last call.
void followChain (const NoteTable& table, MemberChannels& channels, int c, double v) noexcept
{
    auto& r = channels[c];

    if (v >= r.segmentFrom && v < r.segmentUntil)
        return;

    const auto s = table.segmentAt (r.slot, v, r.segment);
    const auto next = table.nextOf[(size_t) s];
    r.segment = s;
    // Before its start the head is still the note the walk from the head returns.
    r.segmentFrom = s == r.slot ? -std::numeric_limits<double>::infinity() : (double) table.notes[(size_t) s].start;
    r.segmentUntil = next >= 0 ? (double) table.notes[(size_t) next].start : std::numeric_limits<double>::infinity();
    channels.lanes.load (c, table, r.slot, s);
    channels.unsettle();
}
} // namespace

ExpressionTargets expressionTargets (const NoteTable& table, MemberChannels& channels, int c, double v,
                                     const GlobalControls& controls) noexcept
{
    followChain (table, channels, c, v);
    auto& lanes = channels.lanes;
    lanes.computeLane (c, table, v, (double) (float) v, controls);
    return { lanes.bendTarget[(size_t) c], lanes.pressureTarget[(size_t) c], lanes.timbreTarget[(size_t) c] };
}

void ExpressionRenderer::prepare (double newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    tickInterval = std::max (1, (int32_t) (sampleRate / 250.0));
    expressionCounter = 0;
    cachedSmooth = -1.0f;
}

bool ExpressionRenderer::nextSampleIsTick() noexcept
{
    if (expressionCounter > 0)
    {
        --expressionCounter;
        return false;
    }

    expressionCounter = tickInterval - 1;
    return true;
}

double ExpressionRenderer::smoothingCoefficient (float smoothMilliseconds) noexcept
{
    // The control rarely changes within a block; exp only when it does.
    if (smoothMilliseconds != cachedSmooth)
    {
        cachedSmooth = smoothMilliseconds;
        cachedCoefficient = smoothMilliseconds <= 0.001f ? 0.0
                                                         : portable::exp (-1.0 / ((double) smoothMilliseconds * sampleRate * 0.001));
    }

    return cachedCoefficient;
}

void ExpressionRenderer::update (MemberChannels& channels, const NoteTable& table, double v,
                                 const GlobalControls& controls, int offset, MidiSender& out) noexcept
{
    const auto k = smoothingCoefficient (controls.smooth);
    const auto tick = nextSampleIsTick();

    if (channels.holdingCount() == 0)
        return;

    if (! channels.settledAt (v))
    {
        auto lanesInUse = 0;
        auto from = -std::numeric_limits<double>::infinity();
        auto until = std::numeric_limits<double>::infinity();

        for (int c = 0; c < memberChannelCount; ++c)
            if (channels[c].holding())
            {
                followChain (table, channels, c, v);
                lanesInUse = c + 1;
                from = std::max (from, channels[c].segmentFrom);
                until = std::min (until, channels[c].segmentUntil);
            }

        channels.settle (from, until, lanesInUse);
    }

    // The pattern's time base is single precision; the pitch curve is evaluated at the same time.
    auto& lanes = channels.lanes;
    lanes.compute (channels.lanesInUse(), table, v, (double) (float) v, controls, k);

    if (! tick)
        return;

    const auto range = channels.bendRange();
    const auto poly = channels.layout().polyPressure();

    for (int c = 0; c < memberChannelCount; ++c)
    {
        auto& r = channels[c];

        if (! r.holding())
            continue;

        const auto channel = channels.midiChannelOf (c);
        const auto i = (size_t) c;
        const auto bend = midivalue::pitchBend (lanes.bend[i], range);
        const auto pressure = midivalue::sevenBit (lanes.pressure[i]);
        const auto timbre = midivalue::sevenBit (lanes.timbre[i]);

        if (bend != r.lastBend)
        {
            out.pitchBend (channel, bend, offset);
            r.lastBend = bend;

            // Only a changed bend can newly pass the range.
            if (midivalue::bendsPastRange (lanes.bend[i], range))
                channels.clamped.mark (r.slot);
        }

        if (pressure != r.lastPressure)
        {
            if (poly)
                out.polyPressure (channel, r.note, pressure, offset);
            else
                out.pressure (channel, pressure, offset);

            r.lastPressure = pressure;
        }

        if (timbre != r.lastTimbre)
        {
            out.controller (channel, midivalue::timbreController, timbre, offset);
            r.lastTimbre = timbre;
        }
    }
}

} // namespace zelk
