#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>
#include <memory>

namespace zelk
{
class ZelkProcessor;

// The beats one loop of the processor's pattern renders: one pass of the loop when looping is
// on, else the pattern's whole bars.
double loopBeatsOf (const ZelkProcessor& processor) noexcept;

// One loop of a pattern played offline by a private copy of the processor, at 120 BPM and
// 48 kHz in blocks of 512, on its own clock. The running processor is only read.
class OfflineRender
{
public:
    static constexpr double sampleRate = 48000.0;
    static constexpr double tempo = 120.0;
    static constexpr int blockSize = 512;

    // listenSynth: whether the audition synth sounds (for audio renders); MIDI renders turn it off.
    OfflineRender (ZelkProcessor& source, bool listenSynth);
    ~OfflineRender();

    // One pass of the loop when looping is on, else the pattern's whole bars.
    double loopBeats() const noexcept { return beats; }
    juce::int64 loopSamples() const noexcept { return samples; }

    // Plays the loop block by block, then switches playback off and runs one more sample, whose
    // messages stop what still sounds. firstSample counts from the loop's start.
    using BlockCallback = std::function<void (const juce::AudioBuffer<float>& audio, const juce::MidiBuffer& midi,
                                              juce::int64 firstSample)>;
    void run (const BlockCallback& onLoopBlock, const BlockCallback& onStopBlock);

private:
    std::unique_ptr<ZelkProcessor> processor;
    double beats = 4.0;
    juce::int64 samples = 0;
};

} // namespace zelk
