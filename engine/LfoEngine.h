#pragma once

#include "core/ModulationDestinations.h"
#include "core/ParameterPointers.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <atomic>

namespace zelk
{
// One block's modulation inputs, read from the parameters' raw values.
struct ModSnapshot
{
    std::array<float, destinationCount> base {};
    std::array<std::array<float, destinationCount>, lfoCount> depth {};
    std::array<std::array<float, lfoPointCount>, lfoCount> points {};
    std::array<bool, lfoCount> sync {};
};

ModSnapshot makeSnapshot (const ParameterPointers& parameters) noexcept;

// The waveform of one basic shape (0 SINE, 1 TRI, 2 RISE, 3 FALL, 4 PULSE, other DRAW) at
// position x; only the fractional part of x matters.
float shapeValue (int shape, float x, const std::array<float, lfoPointCount>& points) noexcept;

// The shape morph: a continuous shape position 0..5 blends neighbouring basic shapes.
float morphedShapeValue (float shape, float x, const std::array<float, lfoPointCount>& points) noexcept;

// The three LFOs and the 3 x 21 route matrix, run once per sample on the audio thread.
class LfoEngine
{
public:
    // The most samples one call to process runs.
    static constexpr int maxRunLength = 64;

    LfoEngine();

    void prepare (double sampleRate, const ModSnapshot& snapshot) noexcept;

    // Once per block: new smoothing targets; restart resets the phase of synced LFOs.
    void setTargets (const ModSnapshot& snapshot, bool restart) noexcept;

    // Runs numSamples samples (at most maxRunLength), before anything reads the effective values
    // of those samples: each sample's global controls are kept for effectiveAt.
    void process (double bpm, int numSamples = 1) noexcept;

    float effective (int destination) const noexcept { return effectiveValues[(size_t) destination]; }
    float effectiveAt (int globalControl, int sample) const noexcept
    {
        const auto control = (size_t) globalControl;
        return controlsHeld ? effectiveValues[control] : controlsAt[(size_t) sample][control];
    }
    float output (int lfo) const noexcept { return outputs[(size_t) lfo]; }
    double phase (int lfo) const noexcept { return phases[(size_t) lfo]; }

private:
    using Smoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;
    using Points = std::array<float, lfoPointCount>;

    // Per-destination values side by side, padded to whole vectors of four; the lanes past the
    // last destination are never routed and stay 0.
    static constexpr size_t laneCount = 24;
    using Lanes = std::array<float, laneCount>;
    // The global controls' lanes, two vectors: used while no LFO setting is modulated, when the two
    // extra lanes (LFO 1's frequency and length) hold still.
    static constexpr size_t globalLaneCount = 8;

    void processRamping() noexcept;
    void processSteady (int from, int to) noexcept;
    void advanceLfos (const std::array<Points, lfoCount>& points) noexcept;
    // The same step, the three LFOs side by side in four-float vectors (SSE2) or one by one.
    void advanceLfoLanes (const std::array<Points, lfoCount>& points) noexcept;
    void advanceLfosInTurn (const std::array<Points, lfoCount>& points) noexcept;
    // One run's LFO values, worked out ahead while no LFO setting moves: final values, except that
    // a sine (and its morph toward the triangle kept in values) is computed when the values of a
    // sample are asked for, once for twin LFOs.
    struct RunShapes
    {
        std::array<std::array<float, maxRunLength>, lfoCount> positions;
        std::array<std::array<float, maxRunLength>, lfoCount> values;
        std::array<bool, lfoCount> withSine;
        std::array<float, lfoCount> blend;
        std::array<float, lfoCount> level;
        std::array<size_t, lfoCount> twinOf;
        bool withTwins;

        float valueAt (size_t lfo, size_t sample) const noexcept;
        template <bool withTwins>
        std::array<float, lfoCount> valuesAt (size_t sample) const noexcept;
    };

    void runLfos (int numSamples, RunShapes& run) noexcept;
    template <bool withTwins>
    void smoothRun (const RunShapes& run, int from, int to) noexcept;
    bool sameLfo (size_t a, size_t b) const noexcept;
    float control (size_t lfo, int kind) const noexcept
    {
        return effectiveValues[(size_t) destination::ofLfo ((int) lfo, kind)];
    }
    template <size_t lanes, bool allRouted>
    bool modulateDestinations() noexcept;
    // Every lane, eight to an instruction (AVX2) or four.
    bool modulateEveryDestination() noexcept;
    bool modulateEveryDestinationWide() noexcept;
    bool modulateEveryDestinationNarrow() noexcept;
    void refreshActive() noexcept;
    void updateDivisions (size_t lfo) noexcept;
    float routeTarget (const std::array<float, lfoCount>& depths) const noexcept;
    void storeTargets (const ModSnapshot& snapshot) noexcept;
    void keepControls (int sample) noexcept;
    void updateTempoFactors() noexcept;

    double sampleRate = 48000.0;
    bool wide = false;
    bool lfoLanes = false;
    std::array<Smoother, destinationCount> baseSmooth;
    std::array<std::array<Smoother, destinationCount>, lfoCount> depthSmooth;
    std::array<std::array<Smoother, lfoPointCount>, lfoCount> pointSmooth;
    alignas (16) Lanes modAmount {};
    std::array<bool, lfoCount> sync {};
    float modCoeff = 0.0f;
    float outCoeff = 0.0f;
    // Cycles per second per cycle per beat at the current run's tempo, for synced LFOs.
    double syncedTempoFactor = 2.0;
    // Each LFO's factor for this run (the synced one or 1), the last repeated in a fourth lane; set
    // before a run that advances the LFOs sample by sample.
    alignas (16) std::array<double, 4> tempoFactors {};
    alignas (16) Lanes effectiveValues {};
    std::array<double, lfoCount> phases {};
    std::array<float, lfoCount> outputs {};
    std::array<DestinationRange, destinationCount> ranges {};
    alignas (16) Lanes minimum {};
    alignas (16) Lanes maximum {};
    alignas (16) Lanes width {};

    // Each LFO's last phase offset and phase increment with the inputs they came from.
    struct Divisions
    {
        bool valid = false;
        float phaseControl = 0.0f;
        float phaseOffset = 0.0f;
        float rate = 0.0f;
        float stretch = 0.0f;
        double tempoFactor = 0.0;
        double increment = 0.0;
    };

    std::array<Divisions, lfoCount> divisions {};

    // While no smoother ramps (nearly always), their values are their targets: the steady path
    // reads these copies.
    int rampSteps = 0;
    int rampSamplesLeft = 0;
    alignas (16) Lanes baseTarget {};
    alignas (16) Lanes clampedBase {};
    // depth x 0.01 of each route, as the route's term in a destination's target.
    alignas (16) std::array<Lanes, lfoCount> scaledDepth {};
    // 1 where some route reaches the destination.
    alignas (16) Lanes routed {};
    bool allRouted = false;
    std::array<Points, lfoCount> pointTarget {};

    // A destination is active while it is routed or its modulation has not died away; the others
    // hold their clamped parameter value. Which kinds are active is worked out again after new
    // targets, a ramping sample, or when a modulation reaches zero.
    bool activeStale = true;
    bool anyActive = false;
    bool lfoControlsActive = false;

    // The global controls' effective values after each sample of the latest run, unless they held
    // still throughout.
    std::array<std::array<float, globalControlCount>, maxRunLength> controlsAt {};
    bool controlsHeld = false;
};

} // namespace zelk
