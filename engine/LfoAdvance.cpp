#include "engine/LfoShapes.h"

namespace zelk
{
using namespace lfoshapes;

namespace
{
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
// of advanceLfosInTurn in the same order, so the bits are the same; only the sines
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
