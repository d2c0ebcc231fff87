#include "tests/helpers/AllocationCounter.h"
#include "tests/helpers/EngineHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;

TEST (AudioThread, ProcessBlockNeverAllocates)
{
    ZelkProcessor processor;
    processor.prepareToPlay (48000.0, 512);

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (4096);

    test::AllocationCounter counter;

    for (int block = 0; block < 400; ++block)
    {
        if (block == 100)
            processor.stopRequested = true;

        processor.processBlock (buffer, midi);
    }

    EXPECT_EQ (counter.count(), 0u);
}

namespace
{
// Counts the allocations made inside processBlock only: the test's own set-up between blocks
// (parameter changes, state loads) may allocate.
struct CountingHost
{
    test::EngineHarness h;
    std::size_t allocations = 0;
    int blocks = 0;

    void run (int count)
    {
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer midi;
        midi.ensureSize (4096);

        for (int b = 0; b < count; ++b)
        {
            {
                test::AllocationCounter counter;
                h.processor.processBlock (buffer, midi);
                allocations += counter.count();
            }

            ++blocks;

            if (h.host.playing)
                *h.host.ppq += 512 * *h.host.bpm / (60.0 * 48000.0);
        }
    }
};
} // namespace

TEST (AudioThread, EveryPlaybackScenarioRunsWithoutAllocating)
{
    CountingHost host;
    auto& h = host.h;
    auto& processor = h.processor;

    // 128 notes in chains of four, with curves, glides and vibrato, over 32 beats.
    for (int slot = 0; slot < slotCount; ++slot)
    {
        auto note = test::distinctiveNote (slot);
        note.start = (float) (slot / 4) * 1.0f + (float) (slot % 4) * 0.25f;
        note.duration = 0.25f;
        note.next = slot % 4 == 3 ? -1 : slot + 1;
        note.glide = 0.125f;
        note.vibOn = true;
        processor.writeNote (slot, note);
    }

    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            processor.setParameterValue (routeParameterId (lfo, d), (float) ((d + lfo) % 7) * 3.0f - 9.5f);

    processor.prepareToPlay (48000.0, 512);
    host.run (4);

    h.host.playing = true; // host playing
    host.run (200);

    h.host.ppq = 7.0; // a jump
    host.run (20);

    processor.setParameterValue ("looping", 1.0f); // looping with a time selection
    processor.setParameterValue ("rangeStart", 2.0f);
    processor.setParameterValue ("rangeEnd", 5.0f);
    processor.setParameterValue ("rangeEnabled", 1.0f);
    host.run (300);

    processor.stopRequested = true; // PANIC
    host.run (20);

    h.host.playing = false; // internal clock
    host.run (2);
    processor.playRequested = true;
    host.run (200);
    processor.setPlaybackPosition (3.0);
    host.run (50);

    OutputOptions output; // other output options, taken at the next reset
    output.bendRange = 2;
    output.memberChannels = 4;
    output.zone = OutputOptions::Zone::upper;
    output.pressure = OutputOptions::Pressure::polyAftertouch;
    processor.setOutputOptions (output);
    host.run (10);
    processor.setPlaybackPosition (1.0);
    host.run (50);

    processor.playRequested = false; // hearing edits while stopped
    processor.hearRequested = true;

    for (int i = 0; i < 100; ++i)
    {
        processor.hearPitch = 30.0f + (float) i;
        host.run (1);
    }

    processor.hearRequested = false;

    test::loadState (processor, test::saveState (processor)); // a state reload
    h.host.playing = true;
    host.run (100);

    EXPECT_GE (host.blocks, 900);
    EXPECT_EQ (host.allocations, 0u);
    EXPECT_GT (processor.activeVoiceCount.load(), 0);
}

TEST (AudioThread, CaptureArmedKeepsTheInputWithoutAllocating)
{
    ZelkProcessor processor;
    test::FakePlayHead host;
    processor.setPlayHead (&host);
    processor.prepareToPlay (48000.0, 512);
    processor.liveCapture().arm();

    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);
    std::size_t allocations = 0;
    int events = 0;

    // No transport, then the host playing, with a dense MPE stream and, last, more than the queue
    // holds, so that events are dropped too.
    for (int block = 0; block < 300; ++block)
    {
        host.playing = block >= 100;
        midi.clear();
        const auto perBlock = block < 250 ? 12 : 2000;

        for (int i = 0; i < perBlock; ++i, ++events)
            midi.addEvent (i % 40 == 0 ? juce::MidiMessage::noteOn (2 + i % 15, 60, (juce::uint8) 90)
                                       : juce::MidiMessage::pitchWheel (2 + i % 15, 8192 + i), (i * 7) % 512);

        {
            test::AllocationCounter counter;
            processor.processBlock (buffer, midi);
            allocations += counter.count();
        }

        if (host.playing)
            *host.ppq += 512 * 120.0 / (60.0 * 48000.0);
    }

    EXPECT_EQ (allocations, 0u);
    EXPECT_GT (processor.liveCapture().droppedEvents(), 0);
    std::vector<CapturedInput> kept;
    EXPECT_EQ (processor.liveCapture().drain (kept) + processor.liveCapture().droppedEvents(), events);
}
