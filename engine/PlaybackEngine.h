#pragma once

#include "engine/AuditionSynth.h"
#include "engine/BlockClock.h"
#include "engine/EditAudition.h"
#include "engine/ExpressionRenderer.h"
#include "engine/LfoEngine.h"
#include "engine/MpeVoices.h"
#include "engine/NoteTable.h"
#include "engine/Transport.h"

#include <atomic>

namespace zelk
{
class ZelkProcessor;

// The audio thread's block routine: the clock, the LFOs, the MPE notes and their expression, the
// audition synth, then the hosted instrument and the values the editor reads. Owned by value by
// the processor; everything lives in fixed storage.
class PlaybackEngine
{
public:
    // From prepareToPlay: clears the playback state and prepares the LFOs and the synth.
    void prepare (double sampleRate, const ModSnapshot& modulation, const OutputOptions& output) noexcept;

    // The block after the buffers were cleared and incoming MIDI discarded.
    void renderBlock (ZelkProcessor& processor, juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) noexcept;

    const LfoEngine& lfos() const noexcept { return lfo; }
    const AuditionSynth& synth() const noexcept { return auditionSynth; }
    const MpeVoices& voices() const noexcept { return mpe; }
    // How the last block's samples lay on the pattern's time, for what reads that block's input.
    const BlockClock& lastClock() const noexcept { return clock; }

    // The output options playback uses: the processor's, as they were at the last start, reset or
    // audition note.
    const OutputOptions& outputInUse() const noexcept { return mpe.channels.layout(); }

    // Published at the end of every block for the editor: how many chains bent past the range
    // since playback last started, the range, and a count of starts that tells one playback from
    // the next.
    struct ClampReport
    {
        int notes = 0;
        int bendRange = OutputOptions::defaultBendRange;
        uint32_t playbackStart = 0;
    };
    ClampReport clampReport() const noexcept;

private:
    void performStopRequest (ZelkProcessor& processor, MidiSender& out) noexcept;
    void adoptOutput (const OutputOptions& output) noexcept;
    void renderSamples (const BlockTransport& block, const LoopRegion& region, bool playing, bool audible,
                        juce::AudioBuffer<float>& buffer, MidiSender& out) noexcept;
    GlobalControls effectiveControls (int sampleInRun) const noexcept;
    void publish (ZelkProcessor& processor, const BlockTransport& block, const LoopRegion& region,
                  bool playing) const noexcept;

    double sampleRate = 48000.0;
    Transport transport;
    LfoEngine lfo;
    NoteTable table;
    PatternEnd patternEnd;
    MpeVoices mpe;
    ExpressionRenderer expression;
    EditAudition audition;
    AuditionSynth auditionSynth;
    uint32_t playbackStarts = 0;
    mutable std::atomic<uint32_t> publishedClamps { 0 };
    BlockClock clock;
};

} // namespace zelk
