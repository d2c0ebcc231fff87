// A whole busy session rendered block by block and reduced to three hashes: every emitted MIDI
// message with its sample offset, every audio sample, and every value published for the editor.
// The expected hashes were recorded from the straightforward engine, with its own exponentials,
// powers of two and sines; any change to the block routine that alters a single bit of its output
// fails here, and so does a build whose compiler or C library would change one.
#include "core/ParameterLayout.h"
#include "core/PatternMath.h"
#include "engine/ExpressionLanes.h"
#include "engine/ExpressionRenderer.h"
#include "engine/NoteTable.h"
#include "engine/VectorWidth.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace zelk;
using namespace zelk::test;

namespace
{
struct Fnv1a
{
    uint64_t value = 14695981039346656037ull;

    void add (const void* data, size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*> (data);

        for (size_t i = 0; i < size; ++i)
            value = (value ^ bytes[i]) * 1099511628211ull;
    }

    template <typename T>
    void add (T v) { add (&v, sizeof (v)); }
};

struct SessionHashes
{
    Fnv1a midi, audio, published;
    int64_t messages = 0;
    int64_t clippedBends = 0;
    int32_t mostVoices = 0;
};

// 32 chains of four notes, a chain starting every quarter beat, so that more chains want to
// sound than there are member channels; glides of every shape, vibrato with and without fade,
// a leap past the bend range, broken links, notes that are off and two notes naming one next.
void busyPattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto chain = slot / 4, j = slot % 4;
        auto note = distinctiveNote (slot);
        note.start = 0.25f * (float) chain + 0.9375f * (float) j;
        note.duration = j == 3 ? 1.3f : 0.9375f;
        note.next = j < 3 ? slot + 1 : -1;
        note.glide = 0.0625f * (float) (1 + slot % 9);
        note.vibOn = slot % 5 != 0;
        note.vibFade = slot % 3 == 0 ? 0.0f : 0.25f;

        if (chain % 5 == 0 && j == 2)
            note.pitch += 55;

        if (slot % 29 == 7)
            note.on = false;

        if (slot % 31 == 11)
            note.start += 0.01f; // leaves a gap: the link does not connect

        processor.writeNote (slot, note);
    }

    auto named = distinctiveNote (127);
    named.next = 1; // slot 0 names slot 1 too; the lower slot keeps it
    named.start = 0.0f;
    named.duration = 0.5f;
    processor.writeNote (127, named);

    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            processor.setParameterValue (routeParameterId (lfo, d), (float) ((d + 2 * lfo) % 7) * 3.0f - 9.5f);

    processor.setParameterValue (destinationId (destination::ofLfo (0, destination::shape)), 0.5f);
    processor.setParameterValue (destinationId (destination::ofLfo (1, destination::shape)), 5.0f);
    processor.setParameterValue (destinationId (destination::ofLfo (2, destination::shape)), 3.3f);
    processor.setParameterValue (destinationId (destination::ofLfo (2, destination::rate)), 7.0f);
    processor.setParameterValue (lfoSyncId (1), 1.0f);
    processor.setParameterValue (lfoPointId (1, 3), -0.7f);
    processor.setParameterValue (destinationId (destination::smooth), 2.5f);
    processor.setParameterValue ("looping", 1.0f);
    processor.setParameterValue ("rangeStart", 1.0f);
    processor.setParameterValue ("rangeEnd", 6.5f);
    processor.setParameterValue ("rangeEnabled", 1.0f);
}

SessionHashes renderSession (double sampleRate, int blockSize)
{
    EngineHarness h (sampleRate, blockSize);
    auto& processor = h.processor;
    busyPattern (processor);
    h.host.bpm = 150.0;
    h.prepare();

    SessionHashes hashes;

    const auto run = [&] (int blocks, int size)
    {
        for (int b = 0; b < blocks; ++b)
        {
            for (const auto& e : h.runBlock (size))
            {
                hashes.midi.add (e.sample);
                hashes.midi.add (e.message.getRawData(), (size_t) e.message.getRawDataSize());
                ++hashes.messages;

                if (e.message.isPitchWheel() && e.message.getPitchWheelValue() == 16383)
                    ++hashes.clippedBends;
            }

            const auto& audio = h.lastAudio();

            for (int ch = 0; ch < audio.getNumChannels(); ++ch)
                hashes.audio.add (audio.getReadPointer (ch), sizeof (float) * (size_t) size);

            auto& p = hashes.published;
            p.add (processor.isPlaying.load());
            p.add (processor.publishedTempo.load());
            p.add (processor.displayPosition.load());
            p.add (processor.activeVoiceCount.load());
            hashes.mostVoices = std::max (hashes.mostVoices, processor.activeVoiceCount.load());

            for (const auto& v : processor.liveValue)
                p.add (v.load());

            for (int n = 0; n < lfoCount; ++n)
            {
                p.add (processor.lfoOutput[(size_t) n].load());
                p.add (processor.lfoPhase[(size_t) n].load());
            }

            for (const auto& v : processor.soundingPitch)
                p.add (v.load());
        }
    };

    run (3, blockSize);

    h.host.playing = true; // the host plays across the 5.5-beat loop's wrap
    run (260, blockSize);

    processor.setParameterValue (destinationId (destination::smooth), 0.0f); // ramps, then no smoothing
    processor.setParameterValue (routeParameterId (0, destination::bend), 40.0f);
    run (60, blockSize);

    h.host.ppq = 3.3; // a host jump, then a tempo change
    run (40, blockSize);
    h.host.bpm = 97.0;
    run (40, blockSize);

    h.host.playing = false; // the internal clock over the whole loop, odd block sizes, a seek
    processor.setParameterValue ("rangeEnabled", 0.0f);
    processor.playRequested = true;
    run (200, blockSize);
    run (37, 173);
    processor.setPlaybackPosition (2.5);
    run (60, blockSize);

    processor.stopRequested = true; // PANIC, then hearing edits while stopped
    run (10, blockSize);
    processor.playRequested = false;
    run (5, blockSize);
    processor.hearRequested = true;

    for (int i = 0; i < 40; ++i)
    {
        processor.hearPitch = 40.0f + 1.7f * (float) i;
        processor.hearPressure = 0.02f * (float) i;
        run (1, blockSize);
    }

    processor.hearRequested = false;
    processor.playRequested = true;
    run (50, blockSize);

    return hashes;
}
} // namespace

// Every x86-64 build renders these bits, whatever its compiler and C library: the engine computes
// its exponentials, powers and sines itself.
#if defined(__x86_64__) || defined(_M_X64)
TEST (GoldenOutput, ABusySessionRendersBitForBitAsRecorded)
{
    const auto at48k = renderSession (48000.0, 512);
    // The session is as busy as it claims: every member channel in use and bends past the range.
    EXPECT_GT (at48k.messages, 10000);
    EXPECT_EQ (at48k.mostVoices, 15);
    EXPECT_GT (at48k.clippedBends, 0);
    EXPECT_EQ (at48k.midi.value, 5717549253030776333ull);
    EXPECT_EQ (at48k.audio.value, 14594285827772256329ull);
    EXPECT_EQ (at48k.published.value, 7156426671519945180ull);

    const auto at44k = renderSession (44100.0, 441);
    EXPECT_EQ (at44k.midi.value, 3344573853376069532ull);
    EXPECT_EQ (at44k.audio.value, 2144460135272629609ull);
    EXPECT_EQ (at44k.published.value, 16368074409264425067ull);
}
#endif

// Processors with eight- or four-double vectors compute the expression, the LFOs and the synth with
// them; the code every x86-64 processor runs must give the same session to the bit.
TEST (GoldenOutput, EveryKindOfVectorCodeRendersTheSame)
{
    const auto widest = renderSession (48000.0, 512);

    for (const auto width : { 4, 2 })
    {
        vectors::widestAllowed = width;
        const auto narrower = renderSession (48000.0, 512);
        vectors::widestAllowed = 8;
        EXPECT_EQ (widest.midi.value, narrower.midi.value) << width;
        EXPECT_EQ (widest.audio.value, narrower.audio.value) << width;
        EXPECT_EQ (widest.published.value, narrower.published.value) << width;
    }
}

TEST (GoldenOutput, TheSameSessionRendersTheSameTwice)
{
    const auto first = renderSession (48000.0, 512);
    const auto second = renderSession (48000.0, 512);
    EXPECT_EQ (first.midi.value, second.midi.value);
    EXPECT_EQ (first.audio.value, second.audio.value);
    EXPECT_EQ (first.published.value, second.published.value);
}

// The engine evaluates pitch from constants it computes once per block, in vector lanes and with
// its own sine and power; before, during and after every glide and vibrato they must give the
// pitch formula's values to within a few units in the last place, which the single precision of
// every value the engine keeps or sends cannot tell apart.
TEST (GoldenOutput, TheExpressionLanesGiveThePitchFormulasValues)
{
    NoteTable table;

    for (int slot = 0; slot < slotCount; ++slot)
    {
        auto note = distinctiveNote (slot);
        note.start = 0.25f * (float) (slot / 4) + 0.9375f * (float) (slot % 4);
        note.duration = 0.9375f;
        note.next = slot % 4 < 3 ? slot + 1 : -1;
        note.glide = 0.0625f * (float) (1 + slot % 19);
        note.glideShape = (float) (slot % 9 - 4) / 4.0f;
        note.vibFade = slot % 3 == 0 ? 0.0f : 0.25f;
        table.notes[(size_t) slot] = note;
    }

    table.connect();

    for (const auto width : { 8, 4, 2 })
    {
        vectors::widestAllowed = width;
        ExpressionLanes lanes;
        vectors::widestAllowed = 8;
        int compared = 0, differentInSingle = 0;
        auto largest = 0.0;

        for (int s = 0; s < slotCount; ++s)
        {
            const auto& note = table.notes[(size_t) s];
            const auto lane = s % ExpressionLanes::laneCount;
            lanes.load (lane, table, s, s);

            for (auto t = (double) note.start - 0.25; t < (double) note.end() + 0.25; t += 0.0123)
                for (const auto depth : { 48.0f, 13.5f, 0.0f })
                {
                    GlobalControls controls;
                    controls.bend = depth;
                    lanes.compute (ExpressionLanes::laneCount, table, t, t, controls, 0.0);
                    const auto engine = lanes.bendTarget[(size_t) lane];
                    const auto formula = pitchAt (note, table.nextNoteOf (s), t, depth) - note.pitch;
                    ++compared;
                    differentInSingle += (float) engine != (float) formula;
                    largest = std::max (largest, std::abs (engine - formula));
                }
        }

        EXPECT_GT (compared, 20000);
        EXPECT_EQ (differentInSingle, 0) << width;
        EXPECT_LT (largest, 1.0e-12) << width;
    }
}
