#pragma once

#include "core/ModulationDestinations.h"
#include "core/ParameterPointers.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>

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
    LfoEngine();

    void prepare (double sampleRate, const ModSnapshot& snapshot) noexcept;

    // Once per block: new smoothing targets; restart resets the phase of synced LFOs.
    void setTargets (const ModSnapshot& snapshot, bool restart) noexcept;

    // Once per sample, before anything reads the effective values of that sample.
    void process (double bpm) noexcept;

    float effective (int destination) const noexcept { return effectiveValues[(size_t) destination]; }
    float output (int lfo) const noexcept { return outputs[(size_t) lfo]; }
    double phase (int lfo) const noexcept { return phases[(size_t) lfo]; }

private:
    using Smoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    void processRamping (double bpm) noexcept;
    void processSteady (double bpm) noexcept;
    void advanceLfos (const std::array<std::array<float, lfoPointCount>, lfoCount>& points, double bpm) noexcept;
    float routeTarget (const std::array<float, lfoCount>& depths) const noexcept;
    void storeTargets (const ModSnapshot& snapshot) noexcept;

    double sampleRate = 48000.0;
    std::array<Smoother, destinationCount> baseSmooth;
    std::array<std::array<Smoother, destinationCount>, lfoCount> depthSmooth;
    std::array<std::array<Smoother, lfoPointCount>, lfoCount> pointSmooth;
    std::array<float, destinationCount> modAmount {};
    std::array<bool, lfoCount> sync {};
    float modCoeff = 0.0f;
    float outCoeff = 0.0f;
    std::array<float, destinationCount> effectiveValues {};
    std::array<double, lfoCount> phases {};
    std::array<float, lfoCount> outputs {};
    std::array<DestinationRange, destinationCount> ranges {};

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
    // reads these copies and skips destinations without a route whose modulation has died away.
    int rampSteps = 0;
    int rampSamplesLeft = 0;
    std::array<float, destinationCount> baseTarget {};
    std::array<std::array<float, lfoCount>, destinationCount> depthTarget {};
    std::array<std::array<float, lfoPointCount>, lfoCount> pointTarget {};
    std::array<bool, destinationCount> routed {};
    std::array<float, destinationCount> clampedBase {};
    // The destinations the steady path computes (routed, or modulation not yet died away); the
    // list is remade after new targets, a ramping sample or when a modulation reaches zero.
    std::array<int8_t, destinationCount> active {};
    int activeCount = 0;
    bool activeStale = true;
};

} // namespace zelk
