#include "engine/PlaybackEngine.h"

#include "core/ZelkProcessor.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zelk
{
void PlaybackEngine::prepare (double newSampleRate, const ModSnapshot& modulation, const OutputOptions& output) noexcept
{
    sampleRate = newSampleRate;
    lfo.prepare (sampleRate, modulation);
    table.invalidate();
    patternEnd = {};
    mpe.channels.freeAll();
    adoptOutput (output);
    auditionSynth.prepare (sampleRate);
    audition.reset();
    transport.reset();
    expression.prepare (sampleRate);
}

GlobalControls PlaybackEngine::effectiveControls (int sampleInRun) const noexcept
{
    GlobalControls controls;
    controls.bend = lfo.effectiveAt (destination::bend, sampleInRun);
    controls.pressure = lfo.effectiveAt (destination::pressure, sampleInRun);
    controls.timbre = lfo.effectiveAt (destination::timbre, sampleInRun);
    controls.transpose = lfo.effectiveAt (destination::transpose, sampleInRun);
    controls.velocity = lfo.effectiveAt (destination::velocity, sampleInRun);
    controls.smooth = lfo.effectiveAt (destination::smooth, sampleInRun);
    return controls;
}

// Only while no member channel holds a note: a layout change never strands one.
void PlaybackEngine::adoptOutput (const OutputOptions& output) noexcept
{
    if (mpe.channels.holdingCount() > 0)
        return;

    mpe.channels.useLayout (output);
    auditionSynth.setBendRange (mpe.channels.layout().bendRange);
}

PlaybackEngine::ClampReport PlaybackEngine::clampReport() const noexcept
{
    const auto bits = publishedClamps.load (std::memory_order_relaxed);
    return { (int) (bits & 0xff), (int) ((bits >> 8) & 0x7f), bits >> 15 };
}

void PlaybackEngine::performStopRequest (ZelkProcessor& processor, MidiSender& out) noexcept
{
    processor.hearRequested = false;
    audition.silence (out);
    mpe.releaseAll (out, 0);

    auto& instrument = processor.hostedInstrument();
    instrument.instrumentFlush = true;
    instrument.instrumentMute = true;

    // The zone's channels only: with fewer members the other channels may belong to another part
    // of a multitimbral synth, whose notes a stop here must not end. By default all 16.
    const auto& zone = mpe.channels.layout();

    for (int channel = zone.lowestZoneChannel(); channel <= zone.highestZoneChannel(); ++channel)
    {
        out.controller (channel, 64, 0, 0);
        out.controller (channel, 66, 0, 0);
        out.controller (channel, 123, 0, 0);
        out.controller (channel, 120, 0, 0);
    }

    auditionSynth.reset();
}

void PlaybackEngine::renderBlock (ZelkProcessor& processor, juce::AudioBuffer<float>& buffer,
                                  juce::MidiBuffer& midi) noexcept
{
    const auto& parameters = processor.raw();
    auto& instrument = processor.hostedInstrument();
    MidiSender out (midi, auditionSynth);

    // The count of changes first: a note changing while the pattern is read counts next block.
    const auto region = LoopRegion::forBlock (parameters, patternEnd, processor.patternChangeCount());
    const auto block = transport.read (processor.getPlayHead(),
                                       { processor.playRequested, processor.startPosition, processor.seekRequest }, region);
    const auto requested = block.hostPlaying || processor.playRequested.load();

    if (processor.stopRequested.exchange (false))
    {
        performStopRequest (processor, out);
        transport.stopLatch = true;
        processor.playRequested = false;
    }

    bool playing = false;

    if (requested)
        playing = ! transport.stopLatch && isSwitchOn (parameters.enabled);
    else
        transport.stopLatch = false;

    const auto beatsPerSample = block.tempo / (sampleRate * 60.0);
    clock = { block.hostPlaying || playing, block.blockStart, beatsPerSample, block.tempo, region };

    // Both requests are consumed in every block, whatever else resets.
    const auto reloaded = processor.stateReloaded.exchange (false);
    const auto resync = instrument.instrumentResync.exchange (false);
    const auto reset = transport.needsReset (block, region, playing, reloaded || resync, beatsPerSample);

    if (reset || (! playing && transport.wasPlaying))
    {
        instrument.instrumentFlush = true;
        mpe.releaseAll (out, 0);
        expression.restartTicks();
    }

    const auto starting = playing && (! transport.wasPlaying || reset);

    // Output options changed since take effect here, after every channel was released. Clamped
    // chains count afresh from each start (not from a host's loop jump) and for each new range.
    if (starting)
    {
        const auto rangeBefore = mpe.channels.layout().bendRange;
        adoptOutput (processor.outputOptions());

        if (! transport.wasPlaying || mpe.channels.layout().bendRange != rangeBefore)
        {
            mpe.channels.clamped.restart();
            ++playbackStarts;
        }

        MpeVoices::sendMpeConfiguration (out, 0, mpe.channels.layout());
        expression.restartTicks();
    }

    EditAudition::Request hearing;
    hearing.hear = processor.hearRequested.load() && isSwitchOn (parameters.hearEdits) && ! playing && ! block.hostPlaying;
    hearing.pitch = processor.hearPitch.load();
    hearing.pressure = processor.hearPressure.load();
    hearing.timbre = processor.hearTimbre.load();

    // A new audition note is a start too.
    if (hearing.hear && audition.sounding() < 0)
        adoptOutput (processor.outputOptions());

    audition.update (hearing, mpe.channels.layout(), out);

    lfo.setTargets (makeSnapshot (parameters), starting);

    // Only a playing block reads the table; a start reads it whatever the count of changes says.
    if (starting)
        table.invalidate();

    if (playing && table.refresh (processor))
        mpe.channels.forgetSegments();

    const auto audible = isSwitchOn (parameters.monitor) && ! instrument.instrumentActive.load()
                      && ! instrument.instrumentLoading.load();
    renderSamples (block, region, playing, audible, buffer, out);

    instrument.process (buffer, midi);

    transport.finish (block, region, playing, buffer.getNumSamples(), beatsPerSample, processor.startPosition.load());
    publish (processor, block, region, playing);
}

void PlaybackEngine::renderSamples (const BlockTransport& block, const LoopRegion& region, bool playing, bool audible,
                                    juce::AudioBuffer<float>& buffer, MidiSender& out) noexcept
{
    const auto beatsPerSample = block.tempo / (sampleRate * 60.0);
    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();
    const auto loopEnd = region.end();

    // Positions are worked out for a run of samples ahead, so that the heads that cannot start in
    // the run are set aside once instead of being tested in every sample. The LFOs run a run at a
    // time too, keeping each sample's global controls.
    constexpr int runLength = LfoEngine::maxRunLength;
    std::array<double, runLength> positions;
    std::array<double, runLength> iterations;

    // The synth renders channel 0 between the messages it receives; the other channels copy it.
    auto* synthOutput = audible && numChannels > 0 ? buffer.getWritePointer (0) : nullptr;
    auditionSynth.beginBlock (synthOutput);

    for (int runStart = 0; runStart < numSamples; runStart += runLength)
    {
        const auto runEnd = std::min (numSamples, runStart + runLength);

        if (playing)
        {
            auto vMin = 0.0, vMax = 0.0;
            auto known = true;

            for (int m = runStart; m < runEnd; ++m)
            {
                auto v = block.blockStart + m * beatsPerSample;
                auto iteration = 0.0;

                if (region.looping)
                {
                    iteration = std::floor ((v - region.start) / region.length);
                    v -= iteration * region.length;
                }

                positions[(size_t) (m - runStart)] = v;
                iterations[(size_t) (m - runStart)] = iteration;
                known = known && ! std::isnan (v);
                vMin = m == runStart ? v : std::min (vMin, v);
                vMax = m == runStart ? v : std::max (vMax, v);
            }

            const auto onePass = iterations[0] == iterations[(size_t) (runEnd - 1 - runStart)];
            mpe.prepareRun (table, vMin, vMax, loopEnd, known, onePass, iterations[0]);
        }

        lfo.process (block.tempo, runEnd - runStart);

        if (! playing)
            continue;

        for (int m = runStart; m < runEnd; ++m)
        {
            auditionSynth.moveTo (m);
            const auto v = positions[(size_t) (m - runStart)];
            const auto iteration = iterations[(size_t) (m - runStart)];
            const auto controls = effectiveControls (m - runStart);
            mpe.step (table, v, iteration, loopEnd, controls, m, out);
            expression.update (mpe.channels, table, v, controls, m, out);
        }
    }

    auditionSynth.endBlock (numSamples);

    if (synthOutput != nullptr)
        for (int ch = 1; ch < numChannels; ++ch)
            buffer.copyFrom (ch, 0, synthOutput, numSamples);
}

void PlaybackEngine::publish (ZelkProcessor& processor, const BlockTransport& block, const LoopRegion& region,
                              bool playing) const noexcept
{
    processor.isPlaying = playing;
    processor.publishedTempo = block.tempo;
    mpe.publish (processor.soundingPitch, ZelkProcessor::silentPitch);

    const auto next = transport.nextBlockPosition;

    if (! playing)
        processor.displayPosition = processor.startPosition.load();
    else if (region.looping)
        processor.displayPosition = next - std::floor ((next - region.start) / region.length) * region.length;
    else
        processor.displayPosition = next;

    processor.activeVoiceCount = mpe.channels.holdingCount();

    const auto clamped = (uint32_t) std::min (mpe.channels.clamped.size(), 255);
    const auto range = (uint32_t) mpe.channels.layout().bendRange;
    publishedClamps.store (clamped | (range << 8) | (playbackStarts << 15), std::memory_order_relaxed);

    for (int d = 0; d < destinationCount; ++d)
        processor.liveValue[(size_t) d].store (lfo.effective (d), std::memory_order_relaxed);

    for (int n = 0; n < lfoCount; ++n)
    {
        processor.lfoOutput[(size_t) n].store (lfo.output (n), std::memory_order_relaxed);
        processor.lfoPhase[(size_t) n].store ((float) lfo.phase (n), std::memory_order_relaxed);
    }
}

} // namespace zelk
