#include "engine/LfoEngine.h"

#include "engine/PortableMath.h"
#include "engine/VectorWidth.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
    #include <emmintrin.h>
    #define ZELK_LFO_LANES 1
#else
    #define ZELK_LFO_LANES 0
#endif

namespace zelk
{
namespace
{
template <typename T>
bool sameBits (T a, T b) noexcept
{
    return std::memcmp (&a, &b, sizeof (T)) == 0;
}

// x - floor (x) for x in [0, 2^31), where truncation is the floor: a conversion that vectorises,
// where floor is a call without SSE4.1. In (0, 1) it takes away 0 and changes nothing.
float fractionalPart (float x) noexcept
{
    return x - (float) (int32_t) x;
}

// The basic shapes at a position a in [0, 1).
float sine (float a) noexcept
{
    return portable::sin (6.2831855f * a);
}

float triangle (float a) noexcept
{
    return 1.0f - 4.0f * std::abs (a - 0.5f);
}

float rise (float a) noexcept
{
    return 2.0f * a - 1.0f;
}

float fall (float a) noexcept
{
    return 1.0f - 2.0f * a;
}

float pulse (float a) noexcept
{
    return a < 0.5f ? 1.0f : -1.0f;
}

float drawn (float a, const std::array<float, lfoPointCount>& points) noexcept
{
    const auto i = (size_t) std::clamp ((int) (8.0f * a), 0, 7);
    return points[i] + (points[i + 1] - points[i]) * (8.0f * a - (float) i);
}

// One basic shape at a run of positions in [0, 1): a loop per shape, which the compiler can
// vectorise.
void shapeRun (int shape, const float* positions, int count, const std::array<float, lfoPointCount>& points,
               float* values) noexcept
{
    const auto fill = [positions, count, values] (auto&& shapeAt)
    {
        for (int m = 0; m < count; ++m)
            values[m] = shapeAt (positions[m]);
    };

    switch (shape)
    {
        case 0: fill (sine); break;
        case 1: fill (triangle); break;
        case 2: fill (rise); break;
        case 3: fill (fall); break;
        case 4: fill (pulse); break;
        default: fill ([&points] (float a) noexcept { return drawn (a, points); }); break;
    }
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

namespace
{
// Inside (0, 1) the floor is 0 and subtracting it changes nothing: no call.
forcedinline float positionInCycle (float x) noexcept
{
    return x > 0.0f && x < 1.0f ? x : x - std::floor (x);
}

// A basic shape at a position a in [0, 1), with the sine of a given.
forcedinline float basicShape (int shape, float a, float sineOfA,
                               const std::array<float, lfoPointCount>& points) noexcept
{
    switch (shape)
    {
        case 0: return sineOfA;
        case 1: return triangle (a);
        case 2: return rise (a);
        case 3: return fall (a);
        case 4: return pulse (a);
        default: return drawn (a, points);
    }
}

// The shape morph at a position a in [0, 1) of a shape position s already in 0..5, with the sine of
// a given where the sine takes part (s below 1); inline, for the LFOs' per-sample step.
forcedinline float morphedShapeAt (float s, float a, float sineOfA,
                                   const std::array<float, lfoPointCount>& points) noexcept
{
    const auto k = (int) s;
    const auto k2 = std::min (k + 1, 5);
    const auto value = basicShape (k, a, sineOfA, points);

    // The neighbour only matters between two whole shapes.
    if (k2 == k || s == (float) k)
        return value;

    return value + (basicShape (k2, a, sineOfA, points) - value) * (s - (float) k);
}
} // namespace

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

float LfoEngine::control (size_t lfo, int kind) const noexcept
{
    return effectiveValues[(size_t) destination::ofLfo ((int) lfo, kind)];
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

void LfoEngine::advanceLfos (const std::array<Points, lfoCount>& points) noexcept
{
    if (lfoLanes)
        advanceLfoLanes (points);
    else
        advanceLfosInTurn (points);
}

namespace
{
// The sines of the LFOs whose shape takes part of it (below 1); LFOs at the same position share
// one call.
forcedinline void lfoSines (const float* positions, const float* shapes, float* sines) noexcept
{
    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        if (shapes[n] >= 1.0f)
            continue;

        auto earlier = (size_t) 0;

        while (earlier < n && ! (shapes[earlier] < 1.0f && sameBits (positions[earlier], positions[n])))
            ++earlier;

        sines[n] = earlier < n ? sines[earlier] : sine (positions[n]);
    }
}

#if ZELK_LFO_LANES
    #if defined(_MSC_VER)
        #define ZELK_NOINLINE __declspec (noinline)
    #else
        #define ZELK_NOINLINE __attribute__ ((noinline))
    #endif

// Out of line, so that the caller holds nothing in registers that the sine calls would make it
// save and restore.
ZELK_NOINLINE void sinesApart (const float* positions, const float* shapes, float* sines) noexcept
{
    lfoSines (positions, shapes, sines);
}
#endif
} // namespace

void LfoEngine::advanceLfosInTurn (const std::array<Points, lfoCount>& points) noexcept
{
    // The sines first, while nothing else is held in registers that the calls would make the
    // compiler save and restore.
    std::array<float, lfoCount> positions, shapes, sines {};

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        // Offsets lie in [0, 1] and phases in [0, 1).
        positions[n] = fractionalPart (control (n, destination::phase) / 360.0f + (float) phases[n]);
        shapes[n] = std::clamp (control (n, destination::shape), 0.0f, 5.0f);
    }

    lfoSines (positions.data(), shapes.data(), sines.data());

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        const auto value =
            morphedShapeAt (shapes[n], positions[n], sines[n], points[n]) * control (n, destination::level) * 0.01f;
        outputs[n] = value + (outputs[n] - value) * outCoeff;

        // Here the LFO settings are modulated or ramping, so that the increment's inputs change in
        // nearly every sample: it is computed without comparing inputs, and the cache that runs of
        // samples use is marked stale. The settings are within their ranges, so the increment is
        // above 0 and so is the sum.
        divisions[n].valid = false;
        const auto tempoFactor = sync[n] ? syncedTempoFactor : 1.0;
        phases[n] +=
            ((double) control (n, destination::rate) / control (n, destination::stretch)) * tempoFactor / sampleRate;

        if (phases[n] >= 1.0)
            phases[n] -= std::floor (phases[n]);
    }
}

#if ZELK_LFO_LANES
// The three LFOs in lanes 0..2, the fourth lane repeating the third: each lane takes the operations
// of advanceLfosInTurn in the same order, so the bits are the same; only the sines, the C library's,
// are calls one by one.
void LfoEngine::advanceLfoLanes (const std::array<Points, lfoCount>& points) noexcept
{
    static_assert (lfoCount == 3 && destination::rate == 0 && destination::stretch == 1 && destination::shape == 2 &&
                   destination::phase == 3 && destination::level == 4);
    // The four loads from the third LFO's rate end within the padded lanes.
    static_assert ((size_t) destination::ofLfo (2, destination::level) < laneCount - 1);

    // Each LFO's rate, stretch, shape and phase are neighbours: one load each, then a transpose.
    const auto* controls = effectiveValues.data() + destination::ofLfo (0, 0);
    auto rates = _mm_loadu_ps (controls);
    auto stretches = _mm_loadu_ps (controls + lfoControlCount);
    auto shapeControls = _mm_loadu_ps (controls + 2 * lfoControlCount);
    auto phaseControls = shapeControls;
    _MM_TRANSPOSE4_PS (rates, stretches, shapeControls, phaseControls);

    const auto phases01 = _mm_loadu_pd (phases.data());
    const auto phases22 = _mm_load1_pd (phases.data() + 2);
    const auto phasesAsFloat = _mm_movelh_ps (_mm_cvtpd_ps (phases01), _mm_cvtpd_ps (phases22));

    // Offsets lie in [0, 1] and phases in [0, 1): fractionalPart in four lanes.
    const auto x = _mm_add_ps (_mm_div_ps (phaseControls, _mm_set1_ps (360.0f)), phasesAsFloat);
    alignas (16) std::array<float, 4> positions, shapes;
    _mm_store_ps (positions.data(), _mm_sub_ps (x, _mm_cvtepi32_ps (_mm_cvttps_epi32 (x))));
    // std::clamp to 0..5, except that a NaN setting gives 0 rather than a shape past the table below;
    // a shape of -0 instead of 0 changes nothing.
    const auto s = _mm_min_ps (_mm_max_ps (shapeControls, _mm_setzero_ps()), _mm_set1_ps (5.0f));
    _mm_store_ps (shapes.data(), s);

    // The phases advance here, not after the sines, which they do not depend on. The settings are
    // within their ranges, so the increment is above 0 and so is the sum.
    const auto sampleRates = _mm_set1_pd (sampleRate);
    const auto increments01 = _mm_div_pd (
        _mm_mul_pd (_mm_div_pd (_mm_cvtps_pd (rates), _mm_cvtps_pd (stretches)), _mm_load_pd (tempoFactors.data())),
        sampleRates);
    const auto increments22 = _mm_div_pd (_mm_mul_pd (_mm_div_pd (_mm_cvtps_pd (_mm_movehl_ps (rates, rates)),
                                                                  _mm_cvtps_pd (_mm_movehl_ps (stretches, stretches))),
                                                      _mm_load_pd (tempoFactors.data() + 2)),
                                          sampleRates);
    const auto advanced01 = _mm_add_pd (phases01, increments01);
    const auto advanced22 = _mm_add_pd (phases22, increments22);
    _mm_storeu_pd (phases.data(), advanced01);
    _mm_store_sd (phases.data() + 2, advanced22);

    const auto one = _mm_set1_pd (1.0);

    if (_mm_movemask_pd (_mm_or_pd (_mm_cmpge_pd (advanced01, one), _mm_cmpge_pd (advanced22, one))) != 0)
        for (auto& phase : phases)
            if (phase >= 1.0)
                phase -= std::floor (phase);

    // As in advanceLfosInTurn, the cache of runs of samples is stale.
    for (auto& cache : divisions)
        cache.valid = false;

    // The basic shapes, a row of four lanes each, the drawn one twice: a shape's neighbour is in the
    // next row. Rows 5 and 6 are filled only when a lane reaches them.
    alignas (16) std::array<float, 7 * 4> table;
    const auto a = _mm_load_ps (positions.data());
    const auto half = _mm_set1_ps (0.5f), oneF = _mm_set1_ps (1.0f), twoA = _mm_mul_ps (_mm_set1_ps (2.0f), a);
    const auto absMask = _mm_castsi128_ps (_mm_set1_epi32 (0x7fffffff));
    _mm_store_ps (table.data(), _mm_setzero_ps());
    _mm_store_ps (table.data() + 4,
                  _mm_sub_ps (oneF, _mm_mul_ps (_mm_set1_ps (4.0f), _mm_and_ps (_mm_sub_ps (a, half), absMask))));
    _mm_store_ps (table.data() + 8, _mm_sub_ps (twoA, oneF));
    _mm_store_ps (table.data() + 12, _mm_sub_ps (oneF, twoA));
    const auto below = _mm_cmplt_ps (a, half);
    _mm_store_ps (table.data() + 16, _mm_or_ps (_mm_and_ps (below, oneF), _mm_andnot_ps (below, _mm_set1_ps (-1.0f))));

    if ((_mm_movemask_ps (_mm_cmpge_ps (s, _mm_set1_ps (4.0f))) & 7) != 0)
        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            table[20 + n] = table[24 + n] = drawn (positions[n], points[n]);

    // Each lane's place in its shape's row, and how far it is toward the next shape.
    const auto k = _mm_cvttps_epi32 (s);
    alignas (16) std::array<int32_t, 4> cell;
    _mm_store_si128 (reinterpret_cast<__m128i*> (cell.data()),
                     _mm_add_epi32 (_mm_slli_epi32 (k, 2), _mm_setr_epi32 (0, 1, 2, 3)));
    const auto whole = _mm_cvtepi32_ps (k);
    alignas (16) std::array<float, 4> toNext, isWhole;
    _mm_store_ps (toNext.data(), _mm_sub_ps (s, whole));
    _mm_store_ps (isWhole.data(), _mm_cmpeq_ps (s, whole));

    // Nothing is kept in registers across these calls.
    sinesApart (positions.data(), shapes.data(), table.data());

    const auto at = [&table, &cell] (size_t row)
    {
        return _mm_setr_ps (table[(size_t) cell[0] + row], table[(size_t) cell[1] + row],
                            table[(size_t) cell[2] + row], 0.0f);
    };

    // morphedShapeAt: the neighbour only matters between two whole shapes (shape 5 is whole).
    const auto value = at (0);
    const auto between = _mm_add_ps (value, _mm_mul_ps (_mm_sub_ps (at (4), value), _mm_load_ps (toNext.data())));
    const auto wholeMask = _mm_load_ps (isWhole.data());
    const auto morphed = _mm_or_ps (_mm_and_ps (wholeMask, value), _mm_andnot_ps (wholeMask, between));

    const auto* controlsNow = effectiveValues.data() + destination::ofLfo (0, destination::level);
    const auto levels =
        _mm_setr_ps (controlsNow[0], controlsNow[lfoControlCount], controlsNow[2 * lfoControlCount], 0.0f);
    const auto scaled = _mm_mul_ps (_mm_mul_ps (morphed, levels), _mm_set1_ps (0.01f));

    auto* out = outputs.data();
    const auto previous = _mm_movelh_ps (_mm_loadl_pi (_mm_setzero_ps(), reinterpret_cast<const __m64*> (out)),
                                         _mm_load_ss (out + 2));
    const auto smoothed = _mm_add_ps (scaled, _mm_mul_ps (_mm_sub_ps (previous, scaled), _mm_set1_ps (outCoeff)));
    _mm_storel_pi (reinterpret_cast<__m64*> (out), smoothed);
    _mm_store_ss (out + 2, _mm_movehl_ps (smoothed, smoothed));
}
#else
void LfoEngine::advanceLfoLanes (const std::array<Points, lfoCount>& points) noexcept
{
    advanceLfosInTurn (points);
}
#endif

void LfoEngine::runLfos (int numSamples, RunShapes& run) noexcept
{
    std::array<float, lfoCount> offsets;
    std::array<double, lfoCount> increments;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        updateDivisions (n);
        offsets[n] = divisions[n].phaseOffset;
        increments[n] = divisions[n].increment;
    }

    // An LFO whose state and settings are those of an earlier one (untouched LFOs, at their
    // defaults since the last prepare, always are) has the same values: its sines are not called
    // for again.
    run.withTwins = false;

    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        run.twinOf[n] = n;

        for (size_t earlier = 0; earlier < n && run.twinOf[n] == n; ++earlier)
            if (run.twinOf[earlier] == earlier && sameLfo (earlier, n))
                run.twinOf[n] = earlier;

        run.withTwins = run.withTwins || run.twinOf[n] != n;
    }

    // The three phases side by side, so that their chains of additions overlap; each sample's
    // phase is kept from before it advances.
    std::array<std::array<double, maxRunLength>, lfoCount> phasesAt;
    auto phase = phases;

    for (size_t m = 0; m < (size_t) numSamples; ++m)
        for (size_t n = 0; n < (size_t) lfoCount; ++n)
        {
            phasesAt[n][m] = phase[n];
            phase[n] += increments[n];

            // The settings are within their ranges, so the increment is above 0 and so is the sum.
            if (phase[n] >= 1.0)
                phase[n] -= std::floor (phase[n]);
        }

    phases = phase;

    // The positions: offsets lie in [0, 1] and phases in [0, 1).
    for (size_t n = 0; n < (size_t) lfoCount; ++n)
        for (size_t m = 0; m < (size_t) numSamples; ++m)
            run.positions[n][m] = fractionalPart (offsets[n] + (float) phasesAt[n][m]);

    // The shape morph and level, as morphedShapeValue and advanceLfos apply them; a sine is left
    // for the smoothing (RunShapes::valueAt), the neighbouring triangle kept for its morph.
    for (size_t n = 0; n < (size_t) lfoCount; ++n)
    {
        const auto s = std::clamp (control (n, destination::shape), 0.0f, 5.0f);
        const auto k = (int) s;
        const auto k2 = std::min (k + 1, 5);
        const auto* positions = run.positions[n].data();
        auto& v = run.values[n];
        run.withSine[n] = k == 0;
        run.blend[n] = k2 != k && s != (float) k ? s - (float) k : 0.0f;
        run.level[n] = control (n, destination::level);

        if (run.withSine[n])
        {
            if (run.blend[n] != 0.0f)
                shapeRun (k2, positions, numSamples, pointTarget[n], v.data());

            continue;
        }

        shapeRun (k, positions, numSamples, pointTarget[n], v.data());

        if (run.blend[n] != 0.0f)
        {
            std::array<float, maxRunLength> neighbour;
            shapeRun (k2, positions, numSamples, pointTarget[n], neighbour.data());

            for (size_t m = 0; m < (size_t) numSamples; ++m)
                v[m] = v[m] + (neighbour[m] - v[m]) * run.blend[n];
        }

        for (size_t m = 0; m < (size_t) numSamples; ++m)
            v[m] = v[m] * run.level[n] * 0.01f;
    }
}

bool LfoEngine::sameLfo (size_t a, size_t b) const noexcept
{
    const auto sameControl = [this, a, b] (int kind) { return sameBits (control (a, kind), control (b, kind)); };

    return sameBits (phases[a], phases[b]) && sameBits (divisions[a].phaseOffset, divisions[b].phaseOffset)
        && sameBits (divisions[a].increment, divisions[b].increment) && sameControl (destination::shape)
        && sameControl (destination::level) && std::memcmp (&pointTarget[a], &pointTarget[b], sizeof (Points)) == 0;
}

} // namespace zelk
