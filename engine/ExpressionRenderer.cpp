#include "engine/ExpressionRenderer.h"

#include "core/PatternMath.h"
#include "engine/MidiValues.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
ExpressionTargets expressionTargets (const NoteTable& table, int head, double v, const GlobalControls& controls,
                                     int32_t& segment) noexcept
{
    const auto s = table.segmentAt (head, v, segment);
    segment = s;
    const auto& note = table.notes[(size_t) s];
    const auto x = (v - note.start) / note.duration;

    ExpressionTargets targets;
    // The pattern's time base is single precision; the curve is evaluated at the same time.
    targets.bend = table.pitchOf (s, (double) (float) v, controls.bend) - table.notes[(size_t) head].pitch;

    // Pressure and timbre are read at the same position of the same note.
    const auto position = std::clamp (x, 0.0, 1.0) * 32.0;
    const auto i = std::min ((int) position, 31);
    const auto fraction = position - i;
    const auto& pressure = note.curves[pressureCurve];
    const auto& timbre = note.curves[timbreCurve];
    const auto pressureValue = pressure[(size_t) i] + ((double) pressure[(size_t) i + 1] - pressure[(size_t) i]) * fraction;
    const auto timbreValue = timbre[(size_t) i] + ((double) timbre[(size_t) i + 1] - timbre[(size_t) i]) * fraction;
    targets.pressure = pressureValue * controls.pressure / 100.0;
    targets.timbre = (timbreValue - 0.5) * controls.timbre / 100.0 + 0.5;
    return targets;
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
                                                         : std::exp (-1.0 / ((double) smoothMilliseconds * sampleRate * 0.001));
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

    for (int c = 0; c < memberChannelCount; ++c)
    {
        auto& r = channels[c];

        if (! r.holding())
            continue;

        const auto t = expressionTargets (table, r.slot, v, controls, r.segment);
        r.bend = (float) (t.bend + ((double) r.bend - t.bend) * k);
        r.pressure = (float) (t.pressure + ((double) r.pressure - t.pressure) * k);
        r.timbre = (float) (t.timbre + ((double) r.timbre - t.timbre) * k);

        if (! tick)
            continue;

        const auto channel = midiChannelOf (c);
        const auto bend = midivalue::pitchBend (r.bend);
        const auto pressure = midivalue::sevenBit (r.pressure);
        const auto timbre = midivalue::sevenBit (r.timbre);

        if (bend != r.lastBend)
        {
            out.pitchBend (channel, bend, offset);
            r.lastBend = bend;
        }

        if (pressure != r.lastPressure)
        {
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
