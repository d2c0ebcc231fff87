// The cost of one 512-sample block at 48 kHz, against the block's real-time budget (10.67 ms).
#include "bench/EnginePatterns.h"

#include <benchmark/benchmark.h>

using namespace zelk;
using namespace zelk::bench;

namespace
{
constexpr double budgetNanoseconds = blockSize / sampleRate * 1.0e9;

void runBlocks (benchmark::State& state, void (*pattern) (ZelkProcessor&), bool play, int startBlocks = 200)
{
    ZelkProcessor processor;

    if (pattern != nullptr)
        pattern (processor);

    processor.prepareToPlay (sampleRate, blockSize);
    processor.playRequested = play;

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;

    // Past the start-up blocks (configuration, LFO ramps) into steady playback.
    for (int i = 0; i < startBlocks; ++i)
        processor.processBlock (buffer, midi);

    for (auto _ : state)
    {
        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }

    state.counters["voices"] = processor.activeVoiceCount.load();
    // Rates over CPU time, inverted: time per block in nanoseconds and as a percentage of the budget.
    const auto blocks = (double) state.iterations();
    state.counters["ns_per_block"] = benchmark::Counter (blocks * 1.0e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["budget_percent"] = benchmark::Counter (blocks * budgetNanoseconds * 1.0e-9 / 100.0,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The typical pattern played once, without looping.
void typicalPatternOnce (ZelkProcessor& processor)
{
    typicalPattern (processor);
    processor.setParameterValue ("looping", 0.0f);
}

// The full load with every output option away from its default: upper zone, 15 channels,
// bend range 24, polyphonic aftertouch.
void fullPatternOtherOutput (ZelkProcessor& processor)
{
    fullPattern (processor);
    OutputOptions options;
    options.zone = OutputOptions::Zone::upper;
    options.bendRange = 24;
    options.pressure = OutputOptions::Pressure::polyAftertouch;
    processor.setOutputOptions (options);
}

void blockIdle (benchmark::State& state) { runBlocks (state, nullptr, false); }
void blockIdleShapedLfos (benchmark::State& state) { runBlocks (state, shapedLfosPattern, false); }
void blockTypical (benchmark::State& state) { runBlocks (state, typicalPattern, true); }
void blockFullLoad (benchmark::State& state) { runBlocks (state, fullPattern, true); }
void blockFullLoadOtherOutput (benchmark::State& state) { runBlocks (state, fullPatternOtherOutput, true); }

// Playing on past the end of the typical pattern with the audition synth on: four beats at
// 120 bpm, then three seconds more, far past the 4 ms fades, so that nothing sounds.
void blockSilentAfterNotes (benchmark::State& state) { runBlocks (state, typicalPatternOnce, true, 500); }

BENCHMARK (blockIdle)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockIdleShapedLfos)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockSilentAfterNotes)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockTypical)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockFullLoad)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockFullLoadOtherOutput)->Unit (benchmark::kMicrosecond);
} // namespace
