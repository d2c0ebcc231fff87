#include "core/ZelkProcessor.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
void fillPattern (ZelkProcessor& processor)
{
    juce::Random random (1);

    for (auto* p : processor.getParameters())
        p->setValueNotifyingHost (random.nextFloat());
}

void processorConstruction (benchmark::State& state)
{
    for (auto _ : state)
    {
        ZelkProcessor processor;
        benchmark::DoNotOptimize (&processor);
    }
}
BENCHMARK (processorConstruction)->Unit (benchmark::kMillisecond);

void saveFullState (benchmark::State& state)
{
    ZelkProcessor processor;
    fillPattern (processor);

    for (auto _ : state)
    {
        juce::MemoryBlock block;
        processor.getStateInformation (block);
        benchmark::DoNotOptimize (block.getData());
    }
}
BENCHMARK (saveFullState)->Unit (benchmark::kMillisecond);

void loadFullState (benchmark::State& state)
{
    ZelkProcessor source;
    fillPattern (source);
    juce::MemoryBlock block;
    source.getStateInformation (block);

    ZelkProcessor target;

    for (auto _ : state)
        target.setStateInformation (block.getData(), (int) block.getSize());
}
BENCHMARK (loadFullState)->Unit (benchmark::kMillisecond);

void readAllSlots (benchmark::State& state)
{
    ZelkProcessor processor;
    fillPattern (processor);

    for (auto _ : state)
        for (int slot = 0; slot < slotCount; ++slot)
        {
            auto note = processor.readNote (slot);
            benchmark::DoNotOptimize (note);
        }
}
BENCHMARK (readAllSlots)->Unit (benchmark::kMicrosecond);
} // namespace
