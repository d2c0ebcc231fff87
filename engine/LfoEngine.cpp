#include "engine/LfoEngine.h"

#include <cmath>
#include <cstring>

namespace zelk
{
namespace
{
template <typename T>
bool sameBits (T a, T b) noexcept
{
    return std::memcmp (&a, &b, sizeof (T)) == 0;
}
} // namespace

ModSnapshot makeSnapshot (const ParameterPointers& parameters) noexcept
{
    ModSnapshot snapshot;

    for (size_t d = 0; d < (size_t) destinationCount; ++d)
        snapshot.base[d] = parameters.destinations[d]->load (std::memory_order_relaxed);

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        for (size_t d = 0; d < (size_t) destinationCount; ++d)
            snapshot.depth[n][d] = parameters.routes[n][d]->load (std::memory_order_relaxed);

        for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
            snapshot.points[n][k] = parameters.points[n][k]->load (std::memory_order_relaxed);

        snapshot.sync[n] = isSwitchOn (parameters.sync[n]);
    }

    return snapshot;
}

float shapeValue (int shape, float x, const std::array<float, lfoPointCount>& points) noexcept
{
    // Inside (0, 1) the floor is 0 and subtracting it changes nothing: no call.
    const auto a = x > 0.0f && x < 1.0f ? x : x - std::floor (x);

    switch (shape)
    {
        case 0: return std::sin (6.2831855f * a);
        case 1: return 1.0f - 4.0f * std::abs (a - 0.5f);
        case 2: return 2.0f * a - 1.0f;
        case 3: return 1.0f - 2.0f * a;
        case 4: return a < 0.5f ? 1.0f : -1.0f;
        default: break;
    }

    const auto i = std::clamp ((int) (8.0f * a), 0, 7);
    return points[(size_t) i] + (points[(size_t) i + 1] - points[(size_t) i]) * (8.0f * a - (float) i);
}

float morphedShapeValue (float shape, float x, const std::array<float, lfoPointCount>& points) noexcept
{
    const auto s = std::clamp (shape, 0.0f, 5.0f);
    const auto k = (int) s;
    const auto k2 = std::min (k + 1, 5);
    const auto value = shapeValue (k, x, points);

    // The neighbour only matters between two whole shapes.
    if (k2 == k || s == (float) k)
        return value;

    return value + (shapeValue (k2, x, points) - value) * (s - (float) k);
}

LfoEngine::LfoEngine()
{
    for (int d = 0; d < destinationCount; ++d)
        ranges[(size_t) d] = destinationRange (d);
}

void LfoEngine::prepare (double newSampleRate, const ModSnapshot& snapshot) noexcept
{
    sampleRate = newSampleRate;
    modCoeff = std::exp (-1.0f / (0.001f * (float) sampleRate));
    outCoeff = std::exp (-1.0f / (0.002f * (float) sampleRate));

    phases.fill (0.0);
    outputs.fill (0.0f);
    divisions.fill (Divisions {});
    modAmount.fill (0.0f);
    sync = snapshot.sync;

    const auto resetTo = [this] (Smoother& smoother, float value) noexcept
    {
        smoother.reset (sampleRate, 0.02);
        smoother.setCurrentAndTargetValue (value);
    };

    for (size_t d = 0; d < (size_t) destinationCount; ++d)
    {
        resetTo (baseSmooth[d], snapshot.base[d]);
        effectiveValues[d] = snapshot.base[d];

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            resetTo (depthSmooth[n][d], snapshot.depth[n][d]);
    }

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
            resetTo (pointSmooth[n][k], snapshot.points[n][k]);

    rampSteps = (int) std::floor (0.02 * sampleRate);
    rampSamplesLeft = 0;
    storeTargets (snapshot);
}

void LfoEngine::storeTargets (const ModSnapshot& snapshot) noexcept
{
    for (size_t d = 0; d < (size_t) destinationCount; ++d)
    {
        baseTarget[d] = snapshot.base[d];
        clampedBase[d] = std::clamp (snapshot.base[d], ranges[d].min, ranges[d].max);
        routed[d] = false;

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
        {
            depthTarget[d][n] = snapshot.depth[n][d];
            routed[d] = routed[d] || snapshot.depth[n][d] != 0.0f;
        }
    }

    pointTarget = snapshot.points;
    activeStale = true;
}

void LfoEngine::setTargets (const ModSnapshot& snapshot, bool restart) noexcept
{
    const auto retarget = [this] (Smoother& smoother, float value) noexcept
    {
        // A changed target starts a new ramp of rampSteps samples (none before prepare).
        if (value != smoother.getTargetValue() && rampSteps > 0)
            rampSamplesLeft = rampSteps;

        smoother.setTargetValue (value);
    };

    for (size_t d = 0; d < (size_t) destinationCount; ++d)
    {
        retarget (baseSmooth[d], snapshot.base[d]);

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            retarget (depthSmooth[n][d], snapshot.depth[n][d]);
    }

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
            retarget (pointSmooth[n][k], snapshot.points[n][k]);

        if (snapshot.sync[n] && (restart || ! sync[n]))
            phases[n] = 0.0;
    }

    sync = snapshot.sync;
    storeTargets (snapshot);
}

void LfoEngine::process (double bpm) noexcept
{
    if (rampSamplesLeft > 0)
    {
        --rampSamplesLeft;
        processRamping (bpm);
    }
    else
    {
        processSteady (bpm);
    }
}

float LfoEngine::routeTarget (const std::array<float, lfoCount>& depths) const noexcept
{
    auto target = 0.0f;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        target += depths[n] * 0.01f * outputs[n];

    return target;
}

void LfoEngine::processRamping (double bpm) noexcept
{
    for (size_t i = 0; i < (size_t) destinationCount; ++i)
    {
        std::array<float, lfoCount> depths;

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            depths[n] = depthSmooth[n][i].getNextValue();

        const auto target = routeTarget (depths);
        modAmount[i] = target + (modAmount[i] - target) * modCoeff;

        const auto& range = ranges[i];
        const auto value = baseSmooth[i].getNextValue() + modAmount[i] * (range.max - range.min);
        effectiveValues[i] = std::clamp (value, range.min, range.max);
    }

    activeStale = true;

    std::array<std::array<float, lfoPointCount>, lfoCount> points;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
            points[n][k] = pointSmooth[n][k].getNextValue();

    advanceLfos (points, bpm);
}

void LfoEngine::processSteady (double bpm) noexcept
{
    // No route and no modulation left: the effective value is the parameter itself, written once
    // when the list of the others is made.
    if (activeStale)
    {
        activeCount = 0;

        for (size_t i = 0; i < (size_t) destinationCount; ++i)
        {
            if (! routed[i] && modAmount[i] == 0.0f)
                effectiveValues[i] = clampedBase[i];
            else
                active[(size_t) activeCount++] = (int8_t) i;
        }

        activeStale = false;
    }

    for (int a = 0; a < activeCount; ++a)
    {
        const auto i = (size_t) active[(size_t) a];
        const auto target = routeTarget (depthTarget[i]);
        modAmount[i] = target + (modAmount[i] - target) * modCoeff;

        const auto& range = ranges[i];
        effectiveValues[i] = std::clamp (baseTarget[i] + modAmount[i] * (range.max - range.min), range.min, range.max);

        // Its modulation died away: from the next sample it joins the constant ones.
        if (! routed[i] && modAmount[i] == 0.0f)
            activeStale = true;
    }

    advanceLfos (pointTarget, bpm);
}

void LfoEngine::advanceLfos (const std::array<std::array<float, lfoPointCount>, lfoCount>& points, double bpm) noexcept
{
    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        const auto control = [this, n] (int kind) noexcept { return effectiveValues[(size_t) destination::ofLfo ((int) n, kind)]; };
        auto& cache = divisions[n];

        // The quotients below only change when their inputs do, which without a route on them is
        // never within a block: recomputed only for inputs with other bits.
        const auto phaseControl = control (destination::phase);

        if (! cache.valid || ! sameBits (phaseControl, cache.phaseControl))
        {
            cache.phaseControl = phaseControl;
            cache.phaseOffset = phaseControl / 360.0f;
        }

        const auto x = cache.phaseOffset + (float) phases[n];
        const auto value = morphedShapeValue (control (destination::shape), x, points[n]) * control (destination::level) * 0.01f;
        outputs[n] = value + (outputs[n] - value) * outCoeff;

        const auto tempoFactor = sync[n] ? std::clamp (bpm, 20.0, 400.0) / 60.0 : 1.0;
        const auto rate = control (destination::rate), stretch = control (destination::stretch);

        if (! cache.valid || ! sameBits (rate, cache.rate) || ! sameBits (stretch, cache.stretch)
            || ! sameBits (tempoFactor, cache.tempoFactor))
        {
            cache.rate = rate;
            cache.stretch = stretch;
            cache.tempoFactor = tempoFactor;
            cache.increment = ((double) rate / stretch) * tempoFactor / sampleRate;
            cache.valid = true;
        }

        phases[n] += cache.increment;

        if (! (phases[n] > 0.0 && phases[n] < 1.0))
            phases[n] -= std::floor (phases[n]);
    }
}

} // namespace zelk
