#include "engine/AuditionSynth.h"

#include "engine/FastSine.h"
#include "engine/PortableMath.h"
#include "engine/VectorWidth.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
    #include <emmintrin.h>
    #define ZELK_SYNTH_SSE2 1
#else
    #define ZELK_SYNTH_SSE2 0
#endif

#if ZELK_VECTOR_TARGETS
    #include <immintrin.h>
    #define ZELK_SYNTH_WIDE 1
#else
    #define ZELK_SYNTH_WIDE 0
#endif

namespace zelk
{
namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;
constexpr int voiceCount = AuditionSynth::voiceCount;

// The voices' phases advanced together: phase + increment, less 1 where that reaches 1. With
// increments in [0, 1) the sum stays below 2, where subtracting 1 is taking away the integer part.
// With SSE2 (every x86-64 processor) two voices share each instruction and the subtraction is
// masked rather than branched, so each voice's chain of dependent operations stays four
// instructions long and the eight pairs' chains overlap.
class Phases
{
public:
    Phases (const std::array<double, voiceCount>& phase, const std::array<double, voiceCount>& increment) noexcept
        : increments (increment.data())
    {
#if ZELK_SYNTH_SSE2
        for (size_t k = 0; k < pairCount; ++k)
            phases[k] = _mm_loadu_pd (phase.data() + 2 * k);
#else
        phases = phase;
#endif
    }

    void advance() noexcept
    {
#if ZELK_SYNTH_SSE2
        const auto one = _mm_set1_pd (1.0);

        for (size_t k = 0; k < pairCount; ++k)
        {
            const auto sum = _mm_add_pd (phases[k], _mm_loadu_pd (increments + 2 * k));
            phases[k] = _mm_sub_pd (sum, _mm_and_pd (_mm_cmpge_pd (sum, one), one));
        }
#else
        for (size_t v = 0; v < (size_t) voiceCount; ++v)
        {
            const auto sum = phases[v] + increments[v];
            phases[v] = sum - (sum >= 1.0 ? 1.0 : 0.0);
        }
#endif
    }

    void store (double* destination) const noexcept
    {
#if ZELK_SYNTH_SSE2
        for (size_t k = 0; k < pairCount; ++k)
            _mm_storeu_pd (destination + 2 * k, phases[k]);
#else
        std::copy (phases.begin(), phases.end(), destination);
#endif
    }

private:
    const double* increments;
#if ZELK_SYNTH_SSE2
    static constexpr size_t pairCount = (size_t) voiceCount / 2;
    // (A plain array: std::array would drop the type's alignment attribute.)
    __m128d phases[pairCount];
#else
    std::array<double, voiceCount> phases;
#endif
};

// The voices' amplitudes moved toward their targets together, amplitude += smoothing x (target -
// amplitude), four voices to an instruction with SSE2.
class Amplitudes
{
public:
    Amplitudes (const std::array<float, voiceCount>& amplitude, const std::array<float, voiceCount>& target,
                float smoothingFactor) noexcept
        : targets (target.data())
    {
#if ZELK_SYNTH_SSE2
        smoothing = _mm_set1_ps (smoothingFactor);

        for (size_t k = 0; k < quadCount; ++k)
            amplitudes[k] = _mm_loadu_ps (amplitude.data() + 4 * k);
#else
        smoothing = smoothingFactor;
        amplitudes = amplitude;
#endif
    }

    void advance() noexcept
    {
#if ZELK_SYNTH_SSE2
        for (size_t k = 0; k < quadCount; ++k)
        {
            const auto towards = _mm_sub_ps (_mm_loadu_ps (targets + 4 * k), amplitudes[k]);
            amplitudes[k] = _mm_add_ps (amplitudes[k], _mm_mul_ps (smoothing, towards));
        }
#else
        for (size_t v = 0; v < (size_t) voiceCount; ++v)
            amplitudes[v] += smoothing * (targets[v] - amplitudes[v]);
#endif
    }

    void store (float* destination) const noexcept
    {
#if ZELK_SYNTH_SSE2
        for (size_t k = 0; k < quadCount; ++k)
            _mm_storeu_ps (destination + 4 * k, amplitudes[k]);
#else
        std::copy (amplitudes.begin(), amplitudes.end(), destination);
#endif
    }

    // In double precision, the precision of the voices' sum.
    void storeWide (double* destination) const noexcept
    {
#if ZELK_SYNTH_SSE2
        for (size_t k = 0; k < quadCount; ++k)
        {
            _mm_storeu_pd (destination + 4 * k, _mm_cvtps_pd (amplitudes[k]));
            _mm_storeu_pd (destination + 4 * k + 2, _mm_cvtps_pd (_mm_movehl_ps (amplitudes[k], amplitudes[k])));
        }
#else
        std::copy (amplitudes.begin(), amplitudes.end(), destination);
#endif
    }

private:
    const float* targets;
#if ZELK_SYNTH_SSE2
    static constexpr size_t quadCount = (size_t) voiceCount / 4;
    __m128 amplitudes[quadCount];
    __m128 smoothing;
#else
    std::array<float, voiceCount> amplitudes;
    float smoothing;
#endif
};

// Advances every voice sample by sample, keeping each sample's phases and amplitudes when
// recorded. Silent voices have amplitude and target 0, which the smoothing step keeps at 0, so all
// voices go through the same instructions.
template <bool withAmplitudes, bool recorded>
void advance (AuditionSynth::Lanes& lanes, float smoothing, int numSamples, double* phaseAt,
              double* amplitudeAt) noexcept
{
    Phases phases (lanes.phase, lanes.increment);
    Amplitudes amplitudes (lanes.amplitude, lanes.target, smoothing);

    for (int m = 0; m < numSamples; ++m)
    {
        if constexpr (withAmplitudes)
            amplitudes.advance();

        phases.advance();

        if constexpr (recorded)
        {
            phases.store (phaseAt + (size_t) m * voiceCount);
            amplitudes.storeWide (amplitudeAt + (size_t) m * voiceCount);
        }
    }

    phases.store (lanes.phase.data());
    amplitudes.store (lanes.amplitude.data());
}

#if ZELK_SYNTH_WIDE
// What advance does, four voices to an instruction: the phases in four vectors, the amplitudes in
// two.
template <bool withAmplitudes, bool recorded>
ZELK_AVX2_TARGET void advanceWide (AuditionSynth::Lanes& lanes, float smoothingFactor, int numSamples, double* phaseAt,
                                   double* amplitudeAt) noexcept
{
    constexpr size_t quadCount = (size_t) voiceCount / 4, octCount = (size_t) voiceCount / 8;
    const auto one = _mm256_set1_pd (1.0);
    const auto smoothing = _mm256_set1_ps (smoothingFactor);
    __m256d phases[quadCount], increments[quadCount];
    __m256 amplitudes[octCount], targets[octCount];

    for (size_t k = 0; k < quadCount; ++k)
    {
        phases[k] = _mm256_loadu_pd (lanes.phase.data() + 4 * k);
        increments[k] = _mm256_loadu_pd (lanes.increment.data() + 4 * k);
    }

    for (size_t k = 0; k < octCount; ++k)
    {
        amplitudes[k] = _mm256_loadu_ps (lanes.amplitude.data() + 8 * k);
        targets[k] = _mm256_loadu_ps (lanes.target.data() + 8 * k);
    }

    for (int m = 0; m < numSamples; ++m)
    {
        if constexpr (withAmplitudes)
            for (size_t k = 0; k < octCount; ++k)
                amplitudes[k] =
                    _mm256_add_ps (amplitudes[k], _mm256_mul_ps (smoothing, _mm256_sub_ps (targets[k], amplitudes[k])));

        for (size_t k = 0; k < quadCount; ++k)
        {
            const auto sum = _mm256_add_pd (phases[k], increments[k]);
            phases[k] = _mm256_sub_pd (sum, _mm256_and_pd (_mm256_cmp_pd (sum, one, _CMP_GE_OS), one));
        }

        if constexpr (recorded)
        {
            auto* phaseOut = phaseAt + (size_t) m * voiceCount;
            auto* amplitudeOut = amplitudeAt + (size_t) m * voiceCount;

            for (size_t k = 0; k < quadCount; ++k)
                _mm256_storeu_pd (phaseOut + 4 * k, phases[k]);

            for (size_t k = 0; k < octCount; ++k)
            {
                _mm256_storeu_pd (amplitudeOut + 8 * k, _mm256_cvtps_pd (_mm256_castps256_ps128 (amplitudes[k])));
                _mm256_storeu_pd (amplitudeOut + 8 * k + 4, _mm256_cvtps_pd (_mm256_extractf128_ps (amplitudes[k], 1)));
            }
        }
    }

    for (size_t k = 0; k < quadCount; ++k)
        _mm256_storeu_pd (lanes.phase.data() + 4 * k, phases[k]);

    for (size_t k = 0; k < octCount; ++k)
        _mm256_storeu_ps (lanes.amplitude.data() + 8 * k, amplitudes[k]);
}
#endif

// One sample of the first `count` lanes, summed in lane order (which is channel order). The
// voices of a sample lie side by side, so the loop over them shares instructions between two or
// four voices.
forcedinline double mixedSample (const double* phases, const double* amplitudes, const double* brightness,
                                 size_t count) noexcept
{
    std::array<double, voiceCount> samples;

    for (size_t i = 0; i < count; ++i)
    {
        // sin 4 pi p = 2 sin 2 pi p cos 2 pi p: one sine and cosine pair per voice instead of two
        // sines; the difference is far below the output's single precision.
        double s, c;
        fastsine::sinCos (twoPi * phases[i], s, c);
        samples[i] = (s + brightness[i] * (2.0 * s * c)) * amplitudes[i];
    }

    auto sum = 0.0;

    for (size_t i = 0; i < count; ++i)
        sum += samples[i];

    return sum;
}

forcedinline void mixLanes (const double* phaseAt, const double* amplitudeAt, const double* brightness, size_t count,
                            float* output, int numSamples) noexcept
{
    for (int m = 0; m < numSamples; ++m)
    {
        const auto at = (size_t) m * voiceCount;
        output[m] = (float) mixedSample (phaseAt + at, amplitudeAt + at, brightness, count);
    }
}

// The mix of a recorded stretch, its sounding lanes rounded up to whole vectors of `width` lanes:
// the extra lanes are silent and add zeros, which leave a sum begun at +0 as it was. With every
// lane in use the count is a constant, so that the loops over the lanes need no checks and the
// sum no branches. (A constant smaller count makes the compiler vectorise across samples instead,
// which is slower.)
template <size_t width>
forcedinline void mixStretch (const double* phaseAt, const double* amplitudeAt, const double* brightness,
                              size_t soundingCount, float* output, int numSamples) noexcept
{
    const auto count = std::min ((soundingCount + width - 1) / width * width, (size_t) voiceCount);

    if (count == (size_t) voiceCount)
        mixLanes (phaseAt, amplitudeAt, brightness, (size_t) voiceCount, output, numSamples);
    else
        mixLanes (phaseAt, amplitudeAt, brightness, count, output, numSamples);
}

template <bool withAmplitudes, bool recorded>
void advanceVoices (bool wide, AuditionSynth::Lanes& lanes, float smoothing, int numSamples, double* phaseAt,
                    double* amplitudeAt) noexcept
{
#if ZELK_SYNTH_WIDE
    if (wide)
    {
        advanceWide<withAmplitudes, recorded> (lanes, smoothing, numSamples, phaseAt, amplitudeAt);
        return;
    }
#else
    juce::ignoreUnused (wide);
#endif

    advance<withAmplitudes, recorded> (lanes, smoothing, numSamples, phaseAt, amplitudeAt);
}

void mixNarrow (const double* phaseAt, const double* amplitudeAt, const double* brightness, size_t soundingCount,
                float* output, int numSamples) noexcept
{
    mixStretch<2> (phaseAt, amplitudeAt, brightness, soundingCount, output, numSamples);
}

ZELK_AVX512_TARGET void mixWidest (const double* phaseAt, const double* amplitudeAt, const double* brightness,
                                    size_t soundingCount, float* output, int numSamples) noexcept
{
    mixStretch<8> (phaseAt, amplitudeAt, brightness, soundingCount, output, numSamples);
}

ZELK_AVX2_TARGET void mixWide (const double* phaseAt, const double* amplitudeAt, const double* brightness,
                               size_t soundingCount, float* output, int numSamples) noexcept
{
    mixStretch<4> (phaseAt, amplitudeAt, brightness, soundingCount, output, numSamples);
}
} // namespace

void AuditionSynth::prepare (double newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    blockOutput = nullptr;
    position = rendered = 0;
    reset();
}

void AuditionSynth::reset() noexcept
{
    catchUp();
    voices.fill (SynthVoice {});
    smoothing = (float) (1.0 - portable::exp (-1.0 / (sampleRate * 0.004)));

    for (size_t v = 0; v < voices.size(); ++v)
    {
        retune (v, voices[v].frequency);
        updateSounding (v);
    }
}

void AuditionSynth::updateSounding (size_t voice) noexcept
{
    const auto& v = voices[voice];
    const auto bit = 1u << voice;
    sounding = v.amplitude != 0.0f || v.targetAmplitude != 0.0f ? sounding | bit : sounding & ~bit;
}

void AuditionSynth::retune (size_t voice, float hertz) noexcept
{
    voices[voice].frequency = hertz;
    increments[voice] = hertz / sampleRate;
}

void AuditionSynth::beginBlock (float* output) noexcept
{
    blockOutput = output;
    position = rendered = 0;
}

void AuditionSynth::endBlock (int numSamples) noexcept
{
    position = numSamples;
    catchUp();
    blockOutput = nullptr;
    position = rendered = 0;
}

void AuditionSynth::catchUp() noexcept
{
    if (position <= rendered)
        return;

    render (blockOutput == nullptr ? nullptr : blockOutput + rendered, position - rendered);
    rendered = position;
}

float AuditionSynth::renderSample (bool withOutput) noexcept
{
    auto sample = 0.0f;
    render (withOutput ? &sample : nullptr, 1);
    return sample;
}

void AuditionSynth::render (float* output, int numSamples) noexcept
{
    // The sounding voices take the first lanes, in channel order, so that the sines are computed
    // for them alone. Until the next message no silent voice starts sounding; a sounding one that
    // falls silent stays in its lane at amplitude 0, where it adds nothing.
    Lanes lanes;
    size_t soundingCount = 0;

    for (size_t v = 0; v < voices.size(); ++v)
        if (((sounding >> v) & 1u) != 0)
            lanes.voice[soundingCount++] = (uint8_t) v;

    for (size_t v = 0, lane = soundingCount; v < voices.size(); ++v)
        if (((sounding >> v) & 1u) == 0)
            lanes.voice[lane++] = (uint8_t) v;

    for (size_t lane = 0; lane < voices.size(); ++lane)
    {
        const auto& v = voices[lanes.voice[lane]];
        lanes.phase[lane] = v.phase;
        lanes.increment[lane] = increments[lanes.voice[lane]];
        lanes.amplitude[lane] = v.amplitude;
        lanes.target[lane] = v.targetAmplitude;
        lanes.brightness[lane] = 0.2 * v.brightness;
    }

    for (int start = 0; start < numSamples; start += stretchLength)
        renderStretch (lanes, soundingCount, output == nullptr ? nullptr : output + start,
                       std::min (stretchLength, numSamples - start));

    for (size_t lane = 0; lane < voices.size(); ++lane)
    {
        const auto v = lanes.voice[lane];
        auto& voice = voices[v];
        voice.phase = lanes.phase[lane];
        voice.amplitude = lanes.amplitude[lane];

        // A released voice fades until its smoothing step rounds to nothing, near the smallest
        // floats, and would stay there for good, computed in every sample: that is silence.
        if (voice.targetAmplitude == 0.0f && voice.amplitude + smoothing * (0.0f - voice.amplitude) == voice.amplitude)
            voice.amplitude = 0.0f;

        updateSounding (v);
    }
}

void AuditionSynth::renderStretch (Lanes& lanes, size_t soundingCount, float* output, int numSamples) noexcept
{
    // A voice at the sample rate or above (a top key bent far up) takes the floor of its phase, and
    // so does the whole stretch, voice by voice.
    const auto belowOne = std::all_of (lanes.increment.begin(), lanes.increment.end(),
                                       [] (double increment) { return increment >= 0.0 && increment < 1.0; });

    if (! belowOne)
    {
        renderStretchSlowly (lanes, soundingCount, output, numSamples);
        return;
    }

    if (output == nullptr || soundingCount == 0)
    {
        if (soundingCount == 0)
            advanceVoices<false, false> (wide, lanes, smoothing, numSamples, nullptr, nullptr);
        else
            advanceVoices<true, false> (wide, lanes, smoothing, numSamples, nullptr, nullptr);

        if (output != nullptr)
            std::fill (output, output + numSamples, 0.0f);

        return;
    }

    advanceVoices<true, true> (wide, lanes, smoothing, numSamples, phaseAt.data(), amplitudeAt.data());

    // Four sounding voices or fewer fill one four-voice vector: eight would only add silent lanes.
    if (widest && soundingCount > 4)
        mixWidest (phaseAt.data(), amplitudeAt.data(), lanes.brightness.data(), soundingCount, output, numSamples);
    else if (wide)
        mixWide (phaseAt.data(), amplitudeAt.data(), lanes.brightness.data(), soundingCount, output, numSamples);
    else
        mixNarrow (phaseAt.data(), amplitudeAt.data(), lanes.brightness.data(), soundingCount, output, numSamples);
}

void AuditionSynth::renderStretchSlowly (Lanes& lanes, size_t soundingCount, float* output, int numSamples) noexcept
{
    for (int m = 0; m < numSamples; ++m)
    {
        auto sum = 0.0;

        for (size_t lane = 0; lane < (size_t) voiceCount; ++lane)
        {
            auto& phase = lanes.phase[lane];
            auto& amplitude = lanes.amplitude[lane];
            amplitude += smoothing * (lanes.target[lane] - amplitude);
            phase += lanes.increment[lane];

            if (! (phase > 0.0 && phase < 1.0))
                phase -= std::floor (phase);

            if (lane < soundingCount)
            {
                double s, c;
                fastsine::sinCos (twoPi * phase, s, c);
                sum += (s + lanes.brightness[lane] * (2.0 * s * c)) * amplitude;
            }
        }

        if (output != nullptr)
            output[m] = (float) sum;
    }
}

} // namespace zelk
