// The LFO engine: shapes, morph, routes, smoothing, sync, self-modulation, and the route edits.
#include "core/ParameterLayout.h"
#include "engine/LfoEngine.h"
#include "engine/ModulationRoutes.h"
#include "engine/VectorWidth.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

using namespace zelk;
using namespace zelk::test;

namespace
{
using Points = std::array<float, lfoPointCount>;

constexpr int sine = 0, triangle = 1, rise = 2, fall = 3, pulse = 4, drawn = 5;

Points constantPoints (float c)
{
    Points p;
    p.fill (c);
    return p;
}

// The parameters' defaults, as the processor would snapshot them.
ModSnapshot defaults()
{
    ModSnapshot s;

    for (int d = 0; d < destinationCount; ++d)
        s.base[(size_t) d] = destinationRange (d).defaultValue;

    for (auto& points : s.points)
        for (int k = 0; k < lfoPointCount; ++k)
            points[(size_t) k] = (float) std::sin (k * juce::MathConstants<double>::pi / 4.0);

    return s;
}

int lfoControl (int lfo, int control) { return destination::ofLfo (lfo, control); }

// An LFO held at a constant output c: a drawn shape with every point at c.
void holdAt (ModSnapshot& s, int lfo, float c)
{
    s.base[(size_t) lfoControl (lfo, destination::shape)] = 5.0f;
    s.points[(size_t) lfo] = constantPoints (c);
}

void run (LfoEngine& engine, int samples, double bpm = 120.0)
{
    for (int i = 0; i < samples; ++i)
        engine.process (bpm);
}

// The per-sample update exactly as written out: every smoother stepped, every destination and LFO
// computed in every sample. The engine skips, reorders and batches this work; it must still give
// the same bits.
class ReferenceLfos
{
public:
    void prepare (double rate, const ModSnapshot& s)
    {
        sampleRate = rate;
        modCoeff = std::exp (-1.0f / (0.001f * (float) rate));
        outCoeff = std::exp (-1.0f / (0.002f * (float) rate));
        sync = s.sync;

        const auto resetTo = [rate] (Smoother& smoother, float value)
        {
            smoother.reset (rate, 0.02);
            smoother.setCurrentAndTargetValue (value);
        };

        for (size_t d = 0; d < (size_t) destinationCount; ++d)
        {
            resetTo (base[d], s.base[d]);
            effective[d] = s.base[d];

            for (size_t n = 0; n < (size_t) lfoCount; ++n)
                resetTo (depth[n][d], s.depth[n][d]);
        }

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
            for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
                resetTo (points[n][k], s.points[n][k]);
    }

    void setTargets (const ModSnapshot& s, bool restart)
    {
        for (size_t d = 0; d < (size_t) destinationCount; ++d)
        {
            base[d].setTargetValue (s.base[d]);

            for (size_t n = 0; n < (size_t) lfoCount; ++n)
                depth[n][d].setTargetValue (s.depth[n][d]);
        }

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
        {
            for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
                points[n][k].setTargetValue (s.points[n][k]);

            if (s.sync[n] && (restart || ! sync[n]))
                phase[n] = 0.0;
        }

        sync = s.sync;
    }

    void process (double bpm)
    {
        for (size_t i = 0; i < (size_t) destinationCount; ++i)
        {
            auto target = 0.0f;

            for (size_t n = 0; n < (size_t) lfoCount; ++n)
                target += depth[n][i].getNextValue() * 0.01f * output[n];

            modAmount[i] = target + (modAmount[i] - target) * modCoeff;
            const auto range = destinationRange ((int) i);
            const auto value = base[i].getNextValue() + modAmount[i] * (range.max - range.min);
            effective[i] = std::clamp (value, range.min, range.max);
        }

        for (size_t n = 0; n < (size_t) lfoCount; ++n)
        {
            Points p;

            for (size_t k = 0; k < (size_t) lfoPointCount; ++k)
                p[k] = points[n][k].getNextValue();

            const auto control = [&] (int kind) { return effective[(size_t) lfoControl ((int) n, kind)]; };
            const auto x = control (destination::phase) / 360.0f + (float) phase[n];
            const auto shape = control (destination::shape), level = control (destination::level);
            const auto value = morphedShapeValue (shape, x, p) * level * 0.01f;
            output[n] = value + (output[n] - value) * outCoeff;

            const auto tempoFactor = sync[n] ? std::clamp (bpm, 20.0, 400.0) / 60.0 : 1.0;
            const auto cyclesPerSecond = (double) control (destination::rate) / control (destination::stretch);
            phase[n] += cyclesPerSecond * tempoFactor / sampleRate;
            phase[n] -= std::floor (phase[n]);
        }
    }

    std::array<float, destinationCount> effective {};
    std::array<float, lfoCount> output {};
    std::array<double, lfoCount> phase {};

private:
    using Smoother = juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear>;

    double sampleRate = 48000.0;
    float modCoeff = 0.0f, outCoeff = 0.0f;
    std::array<Smoother, destinationCount> base;
    std::array<std::array<Smoother, destinationCount>, lfoCount> depth;
    std::array<std::array<Smoother, lfoPointCount>, lfoCount> points;
    std::array<float, destinationCount> modAmount {};
    std::array<bool, lfoCount> sync {};
};

template <typename T>
bool sameBits (T a, T b)
{
    return std::memcmp (&a, &b, sizeof (T)) == 0;
}
} // namespace

TEST (LfoShapes, BasicShapesAtTheirKeyPoints)
{
    const auto p = defaults().points[0];

    EXPECT_NEAR (shapeValue (sine, 0.25f, p), 1.0f, 1.0e-6f);
    EXPECT_NEAR (shapeValue (sine, 0.75f, p), -1.0f, 1.0e-6f);
    EXPECT_EQ (shapeValue (triangle, 0.0f, p), -1.0f);
    EXPECT_EQ (shapeValue (triangle, 0.5f, p), 1.0f);
    EXPECT_EQ (shapeValue (triangle, 0.25f, p), 0.0f);
    EXPECT_EQ (shapeValue (rise, 0.0f, p), -1.0f);
    EXPECT_EQ (shapeValue (rise, 0.75f, p), 0.5f);
    EXPECT_EQ (shapeValue (fall, 0.0f, p), 1.0f);
    EXPECT_EQ (shapeValue (fall, 0.75f, p), -0.5f);
    EXPECT_EQ (shapeValue (pulse, 0.49f, p), 1.0f);
    EXPECT_EQ (shapeValue (pulse, 0.5f, p), -1.0f);
}

TEST (LfoShapes, OnlyTheFractionalPartOfThePositionMatters)
{
    const auto p = defaults().points[0];

    for (int shape = 0; shape <= drawn; ++shape)
    {
        EXPECT_NEAR (shapeValue (shape, 3.25f, p), shapeValue (shape, 0.25f, p), 1.0e-5f) << shape;
        EXPECT_NEAR (shapeValue (shape, -0.75f, p), shapeValue (shape, 0.25f, p), 1.0e-5f) << shape;
    }
}

TEST (LfoShapes, TheDrawnShapeJoinsNinePointsWithStraightLines)
{
    Points p { 0.0f, 1.0f, -1.0f, 0.5f, 0.5f, 0.0f, 0.25f, -0.5f, 0.75f };

    EXPECT_EQ (shapeValue (drawn, 0.0f, p), 0.0f);
    EXPECT_EQ (shapeValue (drawn, 0.125f, p), 1.0f);
    EXPECT_EQ (shapeValue (drawn, 0.1875f, p), 0.0f);       // half way from 1 to -1
    EXPECT_EQ (shapeValue (drawn, 0.9375f, p), 0.125f);     // half way from -0.5 to the last point
    EXPECT_NEAR (shapeValue (drawn, 0.999999f, p), 0.75f, 1.0e-4f);
    EXPECT_EQ (shapeValue (drawn, 0.5f, constantPoints (0.3f)), 0.3f);
}

TEST (LfoShapes, TheShapeMorphBlendsNeighbouringShapes)
{
    auto p = defaults().points[0];
    p[2] = 0.25f;

    const auto half = [&p] (int a, int b, float x) { return 0.5f * (shapeValue (a, x, p) + shapeValue (b, x, p)); };

    EXPECT_NEAR (morphedShapeValue (0.5f, 0.1f, p), half (sine, triangle, 0.1f), 1.0e-6f);
    EXPECT_NEAR (morphedShapeValue (4.5f, 0.3f, p), half (pulse, drawn, 0.3f), 1.0e-6f);
    EXPECT_EQ (morphedShapeValue (5.0f, 0.25f, p), 0.25f);
    EXPECT_NEAR (morphedShapeValue (2.25f, 0.6f, p), 0.75f * shapeValue (rise, 0.6f, p) + 0.25f * shapeValue (fall, 0.6f, p), 1.0e-6f);
    // Outside 0..5 the position is clamped.
    EXPECT_EQ (morphedShapeValue (7.0f, 0.25f, p), 0.25f);
    EXPECT_EQ (morphedShapeValue (-1.0f, 0.25f, p), shapeValue (sine, 0.25f, p));
}

TEST (LfoEngine, WithoutRoutesEffectiveValuesAreTheParametersRampedOver20ms)
{
    LfoEngine engine;
    auto s = defaults();
    engine.prepare (48000.0, s);
    run (engine, 10);
    EXPECT_EQ (engine.effective (destination::bend), 48.0f);

    s.base[destination::bend] = 24.0f;
    engine.setTargets (s, false);
    run (engine, 480);
    EXPECT_NEAR (engine.effective (destination::bend), 36.0f, 1.0e-3f);
    run (engine, 480);
    EXPECT_EQ (engine.effective (destination::bend), 24.0f);
}

TEST (LfoEngine, FullDepthMovesADestinationByItsRangeAndClamps)
{
    LfoEngine engine;
    auto s = defaults();
    holdAt (s, 0, 1.0f);
    s.depth[0][destination::transpose] = 100.0f;
    s.depth[0][destination::velocity] = 25.0f;
    s.depth[0][destination::pressure] = -50.0f;
    engine.prepare (48000.0, s);
    run (engine, 4800);

    // (A single-precision pole settles a few dozen ulps short of its target.)
    EXPECT_NEAR (engine.output (0), 1.0f, 1.0e-5f);
    EXPECT_EQ (engine.effective (destination::transpose), 24.0f); // 0 + 48, clamped
    EXPECT_NEAR (engine.effective (destination::velocity), 150.0f, 1.0e-3f);
    EXPECT_NEAR (engine.effective (destination::pressure), 50.0f, 1.0e-3f);
}

TEST (LfoEngine, ADrawnConstantOutputsItsValueTimesLevel)
{
    LfoEngine engine;
    auto s = defaults();
    holdAt (s, 1, -0.6f);
    s.base[(size_t) lfoControl (1, destination::level)] = 50.0f;
    engine.prepare (48000.0, s);
    run (engine, 4800);

    EXPECT_NEAR (engine.output (1), -0.3f, 1.0e-5f);
}

TEST (LfoEngine, OutputsAreSmoothedWithA2msPoleAndRoutesWithA1msPole)
{
    LfoEngine engine;
    auto s = defaults();
    holdAt (s, 0, 1.0f);
    s.depth[0][destination::bend] = -50.0f;
    engine.prepare (48000.0, s);

    // The first sample's route still sees the output of before it (zero).
    run (engine, 1);
    const auto outCoeff = std::exp (-1.0f / 96.0f);
    const auto modCoeff = std::exp (-1.0f / 48.0f);
    EXPECT_EQ (engine.effective (destination::bend), 48.0f);
    EXPECT_NEAR (engine.output (0), 1.0f - outCoeff, 1.0e-6f);

    run (engine, 1);
    const auto modAmount = -0.5f * (1.0f - outCoeff) * (1.0f - modCoeff);
    EXPECT_NEAR (engine.effective (destination::bend), 48.0f + modAmount * 48.0f, 1.0e-5f);

    run (engine, 96 - 2);
    EXPECT_NEAR (engine.output (0), 1.0f - std::exp (-1.0f), 0.01f);
}

TEST (LfoEngine, SelfModulationUsesTheOutputOfThePreviousSample)
{
    // LFO 1 at a constant 1 is routed to its own level with depth -100: from the second sample on
    // its level falls, which it can only see one sample late.
    LfoEngine engine;
    auto s = defaults();
    holdAt (s, 0, 1.0f);
    s.depth[0][(size_t) lfoControl (0, destination::level)] = -100.0f;
    engine.prepare (48000.0, s);

    const auto outCoeff = std::exp (-1.0f / 96.0f);
    const auto modCoeff = std::exp (-1.0f / 48.0f);

    run (engine, 1);
    const auto first = 1.0f - outCoeff;
    EXPECT_NEAR (engine.output (0), first, 1.0e-6f);

    run (engine, 1);
    const auto level = 100.0f - first * (1.0f - modCoeff) * 100.0f;
    const auto second = level * 0.01f + (first - level * 0.01f) * outCoeff;
    EXPECT_NEAR (engine.effective (lfoControl (0, destination::level)), level, 1.0e-4f);
    EXPECT_NEAR (engine.output (0), second, 1.0e-6f);

    // It settles where level = 100 (1 - output): output 0.5, without running away.
    run (engine, 48000);
    EXPECT_NEAR (engine.output (0), 0.5f, 1.0e-3f);
}

TEST (LfoEngine, LevelZeroSilencesEveryRouteOfThatLfo)
{
    LfoEngine engine;
    auto s = defaults();
    holdAt (s, 2, 1.0f);
    s.base[(size_t) lfoControl (2, destination::level)] = 0.0f;
    s.depth[2][destination::bend] = 100.0f;
    s.depth[2][(size_t) lfoControl (0, destination::rate)] = 100.0f;
    engine.prepare (48000.0, s);
    run (engine, 4800);

    EXPECT_EQ (engine.output (2), 0.0f);
    EXPECT_EQ (engine.effective (destination::bend), 48.0f);
    EXPECT_EQ (engine.effective (lfoControl (0, destination::rate)), 1.0f);
}

TEST (LfoEngine, FreeRunningPhaseAdvancesRateOverStretchCyclesPerSecond)
{
    LfoEngine engine;
    auto s = defaults();
    s.base[(size_t) lfoControl (0, destination::rate)] = 3.0f;
    s.base[(size_t) lfoControl (0, destination::stretch)] = 2.0f;
    s.base[(size_t) lfoControl (1, destination::rate)] = 0.5f;
    engine.prepare (48000.0, s);
    run (engine, 4000, 333.0);

    EXPECT_NEAR (engine.phase (0), 4000.0 * 1.5 / 48000.0, 1.0e-9);
    EXPECT_NEAR (engine.phase (1), 4000.0 * 0.5 / 48000.0, 1.0e-9);
    run (engine, 44000, 333.0);
    EXPECT_NEAR (engine.phase (0), 0.5, 1.0e-6); // 1.5 cycles, kept in 0..1
}

TEST (LfoEngine, SyncCountsCyclesPerBeatAtTheClampedTempo)
{
    LfoEngine engine;
    auto s = defaults();
    s.sync[0] = true;
    s.sync[1] = true;
    s.base[(size_t) lfoControl (0, destination::rate)] = 0.25f;
    s.base[(size_t) lfoControl (1, destination::rate)] = 0.25f;
    engine.prepare (48000.0, s);

    engine.process (1000.0); // as 400
    EXPECT_NEAR (engine.phase (0), 0.25 * 400.0 / 60.0 / 48000.0, 1.0e-12);

    LfoEngine slow;
    slow.prepare (48000.0, s);
    slow.process (5.0); // as 20
    EXPECT_NEAR (slow.phase (1), 0.25 * 20.0 / 60.0 / 48000.0, 1.0e-12);
}

TEST (LfoEngine, SyncResetsThePhaseWhenSwitchedOnAndOnRestart)
{
    LfoEngine engine;
    auto s = defaults();
    engine.prepare (48000.0, s);
    run (engine, 1000);
    ASSERT_GT (engine.phase (0), 0.0);

    // Free-running LFOs ignore restarts.
    engine.setTargets (s, true);
    EXPECT_GT (engine.phase (0), 0.0);

    s.sync[0] = true;
    engine.setTargets (s, false);
    EXPECT_EQ (engine.phase (0), 0.0);
    EXPECT_GT (engine.phase (1), 0.0);

    run (engine, 1000);
    engine.setTargets (s, false);
    EXPECT_GT (engine.phase (0), 0.0);
    engine.setTargets (s, true);
    EXPECT_EQ (engine.phase (0), 0.0);
}

TEST (LfoEngine, PlaybackStartRestartsSyncedLfosInTheProcessor)
{
    EngineHarness h;
    h.set ("lfo1_sync", 1.0f);
    h.prepare();
    h.run (10);
    EXPECT_GT (h.processor.lfoPhase[0].load(), 0.0f);

    // The start block resets the phase, then runs the block: 512 samples of 1 cycle per beat.
    h.processor.playRequested = true;
    h.run (1);
    EXPECT_NEAR (h.processor.lfoPhase[0].load(), 512.0 * 2.0 / 48000.0, 1.0e-6);
}

TEST (LfoEngine, TheProcessorPublishesEffectiveValuesOutputsAndPhases)
{
    EngineHarness h;
    h.set ("lfo2_shape", 5.0f);

    for (int k = 0; k < lfoPointCount; ++k)
        h.set ("lfo2_point" + juce::String (k), 0.5f);

    h.set ("mod2_timbre", -40.0f);
    h.set ("lfo3_rate", 2.0f);
    h.prepare();
    h.run (20);

    EXPECT_NEAR (h.processor.lfoOutput[1].load(), 0.5f, 1.0e-4f);
    EXPECT_NEAR (h.processor.liveValue[destination::timbre].load(), 80.0f, 1.0e-3f); // 100 - 0.4 x 0.5 x 100
    EXPECT_NEAR (h.processor.liveValue[destination::bend].load(), 48.0f, 1.0e-6f);
    EXPECT_NEAR (h.processor.lfoPhase[2].load(), 20 * 512 * 2.0 / 48000.0 - 0.0, 1.0e-4);
}

TEST (ModulationRoutes, ConnectStartsAt25AndKeepsAnExistingDepth)
{
    ZelkProcessor processor;
    routes::connect (processor, 0, destination::pressure);
    EXPECT_EQ (valueOf (processor, "mod1_pressure"), 25.0f);

    routes::setDepth (processor, 1, destination::ofLfo (2, destination::shape), -30.0f);
    routes::connect (processor, 1, destination::ofLfo (2, destination::shape));
    EXPECT_EQ (valueOf (processor, "mod2_lfo3_shape"), -30.0f);

    routes::setDepth (processor, 2, destination::bend, 0.004f);
    routes::connect (processor, 2, destination::bend);
    EXPECT_EQ (valueOf (processor, "mod3_bend"), 25.0f);

    routes::setDepth (processor, 0, destination::smooth, 250.0f);
    EXPECT_EQ (valueOf (processor, "mod1_smooth"), 100.0f);

    routes::clear (processor, 0, destination::smooth);
    EXPECT_EQ (valueOf (processor, "mod1_smooth"), 0.0f);
}

TEST (ModulationRoutes, ClearAllTouchesOnlyTheRoutes)
{
    ZelkProcessor processor;

    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            routes::setDepth (processor, lfo, d, (float) (d + 1) - 10.5f);

    processor.setParameterValue ("lfo2_point3", -0.25f);
    processor.setParameterValue ("lfo3_sync", 1.0f);
    processor.setParameterValue ("lfo1_rate", 7.0f);

    routes::clearAll (processor);

    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            EXPECT_EQ (valueOf (processor, routeParameterId (lfo, d)), 0.0f) << routeParameterId (lfo, d);

    EXPECT_NEAR (valueOf (processor, "lfo2_point3"), -0.25f, 1.0e-5f);
    EXPECT_EQ (valueOf (processor, "lfo3_sync"), 1.0f);
    EXPECT_NEAR (valueOf (processor, "lfo1_rate"), 7.0f, 1.0e-5f);
}

namespace
{
struct Stage
{
    std::function<void (ModSnapshot&)> change;
    int blocks;
    double bpm;
    bool restart;
};

struct Comparison
{
    int compared = 0;
    int different = 0;
};

// Runs the engine in runs of every length and the reference sample by sample through the stages,
// with denormals flushed as in the audio callback; counts the values that differ in any bit.
Comparison compareWithReference (ModSnapshot s, const std::vector<Stage>& stages)
{
    const juce::ScopedNoDenormals noDenormals;
    LfoEngine engine;
    ReferenceLfos reference;
    engine.prepare (44100.0, s);
    reference.prepare (44100.0, s);

    const int runLengths[] = { 64, 17, 1, 40, 64, 5, 33 };
    Comparison result;
    int run = 0;

    for (const auto& stage : stages)
    {
        stage.change (s);

        for (int b = 0; b < stage.blocks; ++b)
        {
            engine.setTargets (s, stage.restart && b == 0);
            reference.setTargets (s, stage.restart && b == 0);

            for (int done = 0; done < 441;)
            {
                const auto length = std::min (runLengths[run++ % 7], 441 - done);
                engine.process (stage.bpm, length);

                for (int m = 0; m < length; ++m)
                {
                    reference.process (stage.bpm);

                    for (int d = 0; d < globalControlCount; ++d)
                        result.different += ! sameBits (engine.effectiveAt (d, m), reference.effective[(size_t) d]);

                    result.compared += globalControlCount;
                }

                for (int d = 0; d < destinationCount; ++d)
                    result.different += ! sameBits (engine.effective (d), reference.effective[(size_t) d]);

                for (int n = 0; n < lfoCount; ++n)
                    result.different += ! sameBits (engine.output (n), reference.output[(size_t) n])
                                      + ! sameBits (engine.phase (n), reference.phase[(size_t) n]);

                result.compared += destinationCount + 2 * lfoCount;
                done += length;
            }
        }
    }

    return result;
}
} // namespace

// A session of settings that exercises every way the engine takes through a run: no routes, routes
// to global controls only, routes to LFO settings (each sample then depends on the one before),
// ramps after changes, routes removed until their modulation dies away, sync restarts and tempo
// changes.
TEST (LfoEngine, RunsOfSamplesGiveTheSampleBySampleValuesBitForBit)
{
    auto s = defaults();
    s.base[(size_t) lfoControl (0, destination::phase)] = 90.0f;
    s.base[(size_t) lfoControl (1, destination::shape)] = 2.5f;
    s.base[(size_t) lfoControl (1, destination::rate)] = 3.0f;
    s.base[(size_t) lfoControl (2, destination::shape)] = 4.25f;
    s.base[(size_t) lfoControl (2, destination::rate)] = 7.0f;
    s.base[(size_t) lfoControl (2, destination::stretch)] = 0.5f;
    s.points[2][3] = -0.7f;
    s.sync[2] = true;

    const auto noRoutes = [] (ModSnapshot& m) { m.depth = {}; };
    const auto globalRoutes = [] (ModSnapshot& m)
    {
        m.depth[0][destination::bend] = 40.0f;
        m.depth[1][destination::pressure] = -70.0f;
        m.depth[2][destination::transpose] = 100.0f;
        m.depth[2][destination::smooth] = 12.5f;
    };
    const auto lfoRoutes = [] (ModSnapshot& m)
    {
        m.depth[0][(size_t) lfoControl (1, destination::shape)] = 30.0f;
        m.depth[2][(size_t) lfoControl (0, destination::rate)] = -20.0f;
        m.depth[1][(size_t) lfoControl (1, destination::level)] = -60.0f;
        m.depth[0][(size_t) lfoControl (2, destination::phase)] = 15.0f;
    };

    const std::vector<Stage> stages {
        { noRoutes, 12, 120.0, false },
        { globalRoutes, 20, 120.0, true },
        { [] (ModSnapshot& m)
          {
              m.base[destination::transpose] = 20.0f;
              m.base[(size_t) lfoControl (0, destination::shape)] = 0.4f; // between sine and triangle
          },
          10, 95.0, false },
        { lfoRoutes, 20, 95.0, false },
        { [] (ModSnapshot& m) { m.depth[0] = {}; }, 10, 300.0, true },
        { noRoutes, 60, 300.0, false }, // long enough for every modulation to die away
        { lfoRoutes, 10, 20.0, false },
        { noRoutes, 60, 140.0, false },
    };

    const auto result = compareWithReference (s, stages);
    EXPECT_GT (result.compared, 500000);
    EXPECT_EQ (result.different, 0);
}

// Untouched LFOs are twins, whose values the engine computes once: each difference in phase,
// frequency, offset, shape, level or drawn points must part them.
TEST (LfoEngine, TwinLfosPartAtEveryDifference)
{
    const auto set = [] (int lfo, int control, float value)
    { return [=] (ModSnapshot& m) { m.base[(size_t) lfoControl (lfo, control)] = value; }; };
    const auto nothing = [] (ModSnapshot&) {};
    const auto syncAll = [] (ModSnapshot& m) { m.sync = { true, true, true }; };
    const auto drawDifferently = [] (ModSnapshot& m)
    {
        m.base[(size_t) lfoControl (0, destination::shape)] = 5.0f;
        m.base[(size_t) lfoControl (1, destination::shape)] = 5.0f;
        m.points[1][1] = 0.9f;
    };

    const std::vector<Stage> stages {
        { nothing, 4, 120.0, false }, // all three alike
        { set (1, destination::phase, 45.0f), 4, 120.0, false },
        { set (1, destination::phase, 0.0f), 4, 120.0, false },
        { set (2, destination::rate, 2.0f), 4, 120.0, false },
        { set (2, destination::rate, 1.0f), 4, 120.0, false },
        { syncAll, 4, 60.0, true }, // phases alike again
        { set (2, destination::rate, 2.0f), 4, 60.0, false },
        { nothing, 4, 60.0, true }, // phases alike, frequencies not
        { set (2, destination::rate, 1.0f), 4, 60.0, true },
        { set (0, destination::level, 50.0f), 4, 60.0, false },
        { set (0, destination::level, 100.0f), 4, 60.0, false },
        { set (1, destination::shape, 0.5f), 4, 60.0, false },
        { set (1, destination::shape, 0.0f), 4, 60.0, false },
        { drawDifferently, 4, 60.0, false },
    };

    const auto result = compareWithReference (defaults(), stages);
    EXPECT_GT (result.compared, 20000);
    EXPECT_EQ (result.different, 0);
}

// Processors with AVX2 modulate eight destinations to an instruction, others four, and the LFOs step
// side by side in vectors or (vectors of one) one by one: each must give the sample-by-sample
// values, with some routes to LFO settings and with every route in use.
TEST (LfoEngine, BothKindsOfVectorCodeGiveTheSampleBySampleValues)
{
    const auto someRoutes = [] (ModSnapshot& m)
    {
        m.depth[0][(size_t) lfoControl (1, destination::shape)] = 30.0f;
        m.depth[2][(size_t) lfoControl (0, destination::rate)] = -20.0f;
        m.depth[1][destination::bend] = 50.0f;
    };
    const auto everyRoute = [] (ModSnapshot& m)
    {
        for (auto& depths : m.depth)
            for (size_t d = 0; d < depths.size(); ++d)
                depths[d] = d % 2 == 0 ? 3.0f : -2.0f;
    };
    const std::vector<Stage> stages {
        { someRoutes, 10, 120.0, false },
        { everyRoute, 10, 120.0, false },
        { [&everyRoute] (ModSnapshot& m)
          {
              // Shapes moving across rise, fall, pulse and the drawn shape.
              everyRoute (m);
              m.base[(size_t) lfoControl (1, destination::shape)] = 2.5f;
              m.base[(size_t) lfoControl (2, destination::shape)] = 4.25f;
              m.points[2][3] = -0.7f;
          },
          10, 120.0, false },
        { [] (ModSnapshot& m) { m.depth = {}; }, 10, 120.0, false },
    };

    for (const auto width : { 8, 2, 1 })
    {
        vectors::widestAllowed = width;
        const auto result = compareWithReference (defaults(), stages);
        vectors::widestAllowed = 8;
        EXPECT_GT (result.compared, 50000) << width;
        EXPECT_EQ (result.different, 0) << width;
    }
}
