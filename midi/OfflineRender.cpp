#include "midi/OfflineRender.h"

#include "core/PatternExtent.h"
#include "core/ZelkProcessor.h"

namespace zelk
{
double loopBeatsOf (const ZelkProcessor& processor) noexcept
{
    return isSwitchOn (processor.raw().looping) ? processor.loopLength() : patternBarLength (processor);
}

OfflineRender::OfflineRender (ZelkProcessor& source, bool listenSynth) : processor (std::make_unique<ZelkProcessor>())
{
    // The copy gets the source's saved state, and never loads or runs the hosted instrument.
    juce::MemoryBlock state;
    source.getStateInformation (state);
    processor->setStateInformation (state.getData(), (int) state.getSize());
    processor->hostedInstrument().unloadInstrument();

    processor->setParameterValue ("monitor", listenSynth ? 1.0f : 0.0f);
    processor->setParameterValue ("enabled", 1.0f);
    processor->prepareToPlay (sampleRate, blockSize);
    processor->playRequested = true;

    beats = loopBeatsOf (*processor);
    samples = (juce::int64) (beats * 60.0 / tempo * sampleRate);
}

OfflineRender::~OfflineRender() = default;

void OfflineRender::run (const BlockCallback& onLoopBlock, const BlockCallback& onStopBlock)
{
    juce::AudioBuffer<float> audio (2, blockSize);
    juce::MidiBuffer midi;
    midi.ensureSize (262144);

    for (juce::int64 start = 0; start < samples; start += blockSize)
    {
        audio.setSize (2, (int) std::min<juce::int64> (samples - start, blockSize), false, false, true);
        processor->processBlock (audio, midi);
        onLoopBlock (audio, midi, start);
    }

    processor->playRequested = false;
    audio.setSize (2, 1, false, false, true);
    processor->processBlock (audio, midi);
    onStopBlock (audio, midi, samples);
    processor->releaseResources();
}

} // namespace zelk
