#include "engine/LfoShapes.h"
#include "engine/VectorWidth.h"

namespace zelk
{
using namespace lfoshapes;

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
    const auto a = positionInCycle (x);
    return basicShape (shape, a, shape == 0 ? sine (a) : 0.0f, points);
}

float morphedShapeValue (float shape, float x, const std::array<float, lfoPointCount>& points) noexcept
{
    const auto s = std::clamp (shape, 0.0f, 5.0f);
    const auto a = positionInCycle (x);
    return morphedShapeAt (s, a, s < 1.0f ? sine (a) : 0.0f, points);
}

LfoEngine::LfoEngine()
{
    // Eight floats to an instruction with AVX2.
    wide = ZELK_VECTOR_TARGETS && vectors::width() >= 4;
    // Vectors of one allowed: the LFOs one by one, so that tests can hold that code to the other.
    lfoLanes = ZELK_LFO_LANES && vectors::widestAllowed.load() > 1;

    for (size_t d = 0; d < (size_t) destinationCount; ++d)
    {
        ranges[d] = destinationRange ((int) d);
        minimum[d] = ranges[d].min;
        maximum[d] = ranges[d].max;
        width[d] = ranges[d].max - ranges[d].min;
    }
}

void LfoEngine::prepare (double newSampleRate, const ModSnapshot& snapshot) noexcept
{
    sampleRate = newSampleRate;
    modCoeff = portable::exp (-1.0f / (0.001f * (float) sampleRate));
    outCoeff = portable::exp (-1.0f / (0.002f * (float) sampleRate));

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
    allRouted = true;

    for (size_t d = 0; d < (size_t) destinationCount; ++d)
    {
        baseTarget[d] = snapshot.base[d];
        clampedBase[d] = std::clamp (snapshot.base[d], ranges[d].min, ranges[d].max);
        auto anyRoute = false;

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
        {
            scaledDepth[n][d] = snapshot.depth[n][d] * 0.01f;
            anyRoute = anyRoute || snapshot.depth[n][d] != 0.0f;
        }

        routed[d] = anyRoute ? 1.0f : 0.0f;
        allRouted = allRouted && anyRoute;
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

void LfoEngine::process (double bpm, int numSamples) noexcept
{
    jassert (numSamples <= maxRunLength);
    syncedTempoFactor = std::clamp (bpm, 20.0, 400.0) / 60.0;
    controlsHeld = false;
    auto m = 0;

    if (rampSamplesLeft > 0)
        updateTempoFactors();

    // After a new target every smoother takes a step in each sample until the ramp ends.
    for (; m < numSamples && rampSamplesLeft > 0; ++m)
    {
        --rampSamplesLeft;
        processRamping();
        keepControls (m);
    }

    if (m < numSamples)
        processSteady (m, numSamples);
}

void LfoEngine::updateTempoFactors() noexcept
{
    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        tempoFactors[n] = sync[n] ? syncedTempoFactor : 1.0;

    tempoFactors[3] = tempoFactors[2];
}

void LfoEngine::keepControls (int sample) noexcept
{
    std::copy_n (effectiveValues.begin(), globalControlCount, controlsAt[(size_t) sample].begin());
}

float LfoEngine::routeTarget (const std::array<float, lfoCount>& depths) const noexcept
{
    auto target = 0.0f;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        target += depths[n] * 0.01f * outputs[n];

    return target;
}

void LfoEngine::processRamping() noexcept
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

    std::array<Points, lfoCount> points;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
            points[n][k] = pointSmooth[n][k].getNextValue();

    advanceLfos (points);
}

void LfoEngine::refreshActive() noexcept
{
    anyActive = lfoControlsActive = false;

    for (size_t i = 0; i < (size_t) destinationCount; ++i)
    {
        const auto active = routed[i] != 0.0f || modAmount[i] != 0.0f;

        // No route and no modulation left: the effective value is the parameter itself.
        if (! active)
            effectiveValues[i] = clampedBase[i];

        anyActive = anyActive || active;
        lfoControlsActive = lfoControlsActive || (active && i >= (size_t) globalControlCount);
    }

    activeStale = false;
}

template <size_t lanes, bool allRouted>
forcedinline bool LfoEngine::modulateDestinations() noexcept
{
    // The routes carry the outputs of the previous sample.
    const auto first = outputs[0], second = outputs[1], third = outputs[2];
    auto dropped = 0;

    // Every lane the same instructions, so that four destinations share each: an inactive lane
    // keeps its modulation and its clamped parameter value. (Both are read before anything is
    // computed: a value read only for one outcome would be a branch.) With every destination
    // routed, none is inactive and none can drop out.
    for (size_t i = 0; i < lanes; ++i)
    {
        const auto previous = modAmount[i];
        const auto constant = clampedBase[i];
        const auto active = allRouted || ((routed[i] != 0.0f) | (previous != 0.0f));

        auto target = 0.0f;
        target += scaledDepth[0][i] * first;
        target += scaledDepth[1][i] * second;
        target += scaledDepth[2][i] * third;

        const auto amount = target + (previous - target) * modCoeff;
        const auto value = baseTarget[i] + amount * width[i];
        // std::clamp as a maximum then a minimum, each one selection.
        const auto raised = value < minimum[i] ? minimum[i] : value;
        const auto clamped = maximum[i] < raised ? maximum[i] : raised;
        modAmount[i] = active ? amount : previous;
        effectiveValues[i] = active ? clamped : constant;

        // Its modulation died away: from the next sample it joins the constant ones.
        if constexpr (! allRouted)
            dropped |= (int) (active & (routed[i] == 0.0f) & (amount == 0.0f));
    }

    return dropped != 0;
}

bool LfoEngine::modulateEveryDestination() noexcept
{
    return wide ? modulateEveryDestinationWide() : modulateEveryDestinationNarrow();
}

ZELK_AVX2_TARGET bool LfoEngine::modulateEveryDestinationWide() noexcept
{
    return allRouted ? modulateDestinations<laneCount, true>() : modulateDestinations<laneCount, false>();
}

bool LfoEngine::modulateEveryDestinationNarrow() noexcept
{
    return allRouted ? modulateDestinations<laneCount, true>() : modulateDestinations<laneCount, false>();
}

// Inlined, so that the three LFOs' sines stay in the loop whose waiting they fill.
forcedinline float LfoEngine::RunShapes::valueAt (size_t lfo, size_t sample) const noexcept
{
    if (! withSine[lfo])
        return values[lfo][sample];

    const auto s = sine (positions[lfo][sample]);
    const auto morphed = blend[lfo] != 0.0f ? s + (values[lfo][sample] - s) * blend[lfo] : s;
    return morphed * level[lfo] * 0.01f;
}

template <bool withTwins>
forcedinline std::array<float, lfoCount> LfoEngine::RunShapes::valuesAt (size_t sample) const noexcept
{
    std::array<float, lfoCount> result;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        if constexpr (withTwins)
            result[n] = twinOf[n] == n ? valueAt (n, sample) : result[twinOf[n]];
        else
            result[n] = valueAt (n, sample);
    }

    return result;
}

void LfoEngine::processSteady (int from, int to) noexcept
{
    if (activeStale)
        refreshActive();

    if (lfoControlsActive)
    {
        // An LFO modulates an LFO's setting: each sample's LFO values depend on the one before.
        updateTempoFactors();

        for (int m = from; m < to; ++m)
        {
            if (activeStale)
                refreshActive();

            activeStale = modulateEveryDestination();
            advanceLfos (pointTarget);
            keepControls (m);
        }

        return;
    }

    // The LFO settings hold still for the run: the LFOs' values for all of it first, then sample
    // by sample the smoothing of their outputs and the routes to the global controls. The C
    // library's sine is a call per sample wherever it is made; made in the smoothing loop, its
    // work overlaps the smoothing's chain of dependent operations, which alone would leave the
    // processor waiting most of the time.
    RunShapes run;
    runLfos (to - from, run);

    if (run.withTwins)
        smoothRun<true> (run, from, to);
    else
        smoothRun<false> (run, from, to);
}

template <bool withTwins>
void LfoEngine::smoothRun (const RunShapes& run, int from, int to) noexcept
{
    if (! anyActive)
    {
        // Nothing modulated: the global controls hold still, and the three smoothing chains run
        // side by side in registers.
        auto smoothed = outputs;

        for (size_t i = 0; i < (size_t) (to - from); ++i)
        {
            const auto values = run.valuesAt<withTwins> (i);

            for (size_t n = 0; n < (size_t) lfoCount; ++n)
                smoothed[n] = values[n] + (smoothed[n] - values[n]) * outCoeff;
        }

        outputs = smoothed;

        // Unless ramping samples came first, the run's controls are the current ones throughout.
        if (from == 0)
            controlsHeld = true;
        else
            for (int m = from; m < to; ++m)
                keepControls (m);

        return;
    }

    for (int m = from; m < to; ++m)
    {
        if (activeStale)
            refreshActive();

        if (anyActive)
            activeStale = modulateDestinations<globalLaneCount, false>();

        const auto values = run.valuesAt<withTwins> ((size_t) (m - from));

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            outputs[n] = values[n] + (outputs[n] - values[n]) * outCoeff;

        keepControls (m);
    }
}

void LfoEngine::updateDivisions (size_t n) noexcept
{
    auto& cache = divisions[n];

    // The quotients only change when their inputs do, which without a route on them is never
    // within a block: recomputed only for inputs with other bits.
    const auto phaseControl = control (n, destination::phase);

    if (! cache.valid || ! sameBits (phaseControl, cache.phaseControl))
    {
        cache.phaseControl = phaseControl;
        cache.phaseOffset = phaseControl / 360.0f;
    }

    const auto tempoFactor = sync[n] ? syncedTempoFactor : 1.0;
    const auto rate = control (n, destination::rate), stretch = control (n, destination::stretch);

    if (! cache.valid || ! sameBits (rate, cache.rate) || ! sameBits (stretch, cache.stretch)
        || ! sameBits (tempoFactor, cache.tempoFactor))
    {
        cache.rate = rate;
        cache.stretch = stretch;
        cache.tempoFactor = tempoFactor;
        cache.increment = ((double) rate / stretch) * tempoFactor / sampleRate;
        cache.valid = true;
    }
}

} // namespace zelk
