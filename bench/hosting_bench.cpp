// The hosted instrument's cost: what Zelk adds around a trivial instrument per block, and how
// long a load takes.
#include "core/ZelkProcessor.h"
#include "tests/helpers/FixtureBundles.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
void instrumentBlockOverhead (benchmark::State& state)
{
    test::FixtureBundle bundle ("Stereo Fixture");
    ZelkProcessor processor;
    processor.prepareToPlay (48000.0, 512);

    if (! processor.hostedInstrument().loadInstrument (bundle.file(), {}))
    {
        state.SkipWithError ("the test instrument did not load");
        return;
    }

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);

    for (auto _ : state)
    {
        midi.clear();
        midi.addEvent (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), 10);
        midi.addEvent (juce::MidiMessage::noteOff (2, 60), 400);
        processor.hostedInstrument().process (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
}
BENCHMARK (instrumentBlockOverhead)->Unit (benchmark::kMicrosecond);

void instrumentLoad (benchmark::State& state)
{
    test::FixtureBundle bundle ("Stereo Fixture");
    ZelkProcessor processor;
    processor.prepareToPlay (48000.0, 512);

    for (auto _ : state)
    {
        benchmark::DoNotOptimize (processor.hostedInstrument().loadInstrument (bundle.file(), {}));
        state.PauseTiming();
        processor.hostedInstrument().unloadInstrument();
        state.ResumeTiming();
    }
}
BENCHMARK (instrumentLoad)->Unit (benchmark::kMillisecond);
} // namespace
