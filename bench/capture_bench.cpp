// Capture: converting a long played performance, and the block routine while CAPTURE is armed.
#include "bench/EnginePatterns.h"
#include "midi/PerformanceCapture.h"

#include <vector>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

using namespace zelk;

namespace
{
constexpr double twoPi = 6.283185307179586;

// Four minutes at 120 bpm played on an MPE controller: 128 notes over 480 beats, each on its own
// member channel in turn, with bend, pressure and timbre sent at 250 Hz; a third of them with
// vibrato, a quarter sliding a few semitones to another held key.
juce::MidiMessageSequence fourMinutePerformance()
{
    std::mt19937 random (7);
    const auto uniform = [&random] (double lo, double hi)
    { return std::uniform_real_distribution<double> (lo, hi) (random); };
    std::vector<juce::MidiMessage> messages;
    const auto step = 0.008; // 250 Hz at 120 bpm
    const auto add = [&messages] (juce::MidiMessage m, double beat)
    {
        m.setTimeStamp (beat);
        messages.push_back (m);
    };

    for (int n = 0; n < 128; ++n)
    {
        const auto channel = 2 + n % 15;
        const auto key = 48 + (int) uniform (0, 24);
        const auto start = n * 3.7 + uniform (0.0, 1.0);
        const auto length = uniform (3.0, 16.0);
        const auto vibrato = n % 3 == 0;
        const auto slide = n % 4 == 1 ? (uniform (0, 1) < 0.5 ? -1 : 1) * (int) uniform (2, 6) : 0;
        const auto slideAt = start + length * 0.5;
        const auto phase = uniform (0.0, twoPi);

        for (auto t = start; t < start + length; t += step)
        {
            auto semitones = 0.2 * std::sin (0.7 * t + phase);

            if (vibrato && t > start + 1.0)
                semitones += 0.4 * std::sin (twoPi * 3.0 * (t - start));

            if (slide != 0 && t > slideAt)
                semitones += slide * std::min (1.0, (t - slideAt) / 0.25);

            const auto bend = juce::jlimit (0, 16383, (int) std::lround (semitones / 48.0 * 8192.0 + 8192.0));
            add (juce::MidiMessage::pitchWheel (channel, bend), t);
            add (juce::MidiMessage::channelPressureChange (channel, 64 + (int) (40 * std::sin (0.9 * t + n))), t);
            add (juce::MidiMessage::controllerEvent (channel, 74, 64 + (int) (30 * std::sin (1.3 * t))), t);

            if (t == start)
                add (juce::MidiMessage::noteOn (channel, key, (juce::uint8) 100), t);
        }

        add (juce::MidiMessage::noteOff (channel, key), start + length);
    }

    // In time order, each note's own messages in the order it sent them.
    std::stable_sort (messages.begin(), messages.end(),
                      [] (const juce::MidiMessage& a, const juce::MidiMessage& b)
                      { return a.getTimeStamp() < b.getTimeStamp(); });
    juce::MidiMessageSequence events;

    for (const auto& m : messages)
        events.addEvent (m);

    return events;
}

void convertFourMinutePerformance (benchmark::State& state)
{
    const auto performance = fourMinutePerformance();
    size_t notes = 0;
    CaptureReport report;

    for (auto _ : state)
    {
        auto result = capturePerformance (performance, {});
        notes = result.notes.size();
        report = result.report;
        benchmark::DoNotOptimize (result.notes.data());
    }

    state.counters["events"] = performance.getNumEvents();
    state.counters["notes"] = (double) notes;
    state.counters["found"] = report.notesFound;
    state.counters["glides"] = report.glidesMade;
    state.counters["vibratos"] = report.vibratosLifted;
}
BENCHMARK (convertFourMinutePerformance)->Unit (benchmark::kMillisecond);

// The typical pattern playing on PLAY's clock while a controller plays 2,000 messages a second
// (21 in each block of 512 samples at 48 kHz) into the block routine, with CAPTURE off and armed.
// Armed, the message thread's 30 Hz collection runs every 16 blocks, outside the timing.
void blockWithInput (benchmark::State& state, bool armed)
{
    using namespace zelk::bench;
    constexpr double budgetNanoseconds = blockSize / sampleRate * 1.0e9;
    ZelkProcessor processor;
    typicalPattern (processor);
    processor.prepareToPlay (sampleRate, blockSize);
    processor.playRequested = true;

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);

    for (int i = 0; i < 200; ++i)
        processor.processBlock (buffer, midi);

    if (armed)
        processor.liveCapture().arm();

    std::vector<CapturedInput> collected;
    collected.reserve (1 << 20);
    int64_t block = 0;

    for (auto _ : state)
    {
        midi.clear();

        for (int i = 0; i < 21; ++i)
            midi.addEvent (i == 0 ? juce::MidiMessage::noteOn (2 + block % 15, 60, (juce::uint8) 90)
                                  : juce::MidiMessage::pitchWheel (2 + block % 15, 8192 + i * 10),
                           i * 24);

        processor.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));

        if (armed && ++block % 16 == 0)
        {
            state.PauseTiming();
            processor.liveCapture().drain (collected);

            if (collected.size() > 900000)
                collected.clear();

            state.ResumeTiming();
        }
    }

    const auto blocks = (double) state.iterations();
    state.counters["budget_percent"] = benchmark::Counter (blocks * budgetNanoseconds * 1.0e-9 / 100.0,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["dropped"] = processor.liveCapture().droppedEvents();
}

// What arming adds, alone: one block's 21 messages kept and queued.
void captureKeepsABlocksInput (benchmark::State& state)
{
    LiveCapture capture;
    capture.prepare (512);
    capture.arm();
    juce::MidiBuffer midi;

    for (int i = 0; i < 21; ++i)
        midi.addEvent (juce::MidiMessage::pitchWheel (2, 8192 + i * 10), i * 24);

    BlockClock clock;
    clock.running = true;
    clock.beatsPerSample = 120.0 / (60.0 * 48000.0);
    std::vector<CapturedInput> collected;
    collected.reserve (1 << 20);
    int64_t block = 0;

    for (auto _ : state)
    {
        capture.stage (midi);
        capture.commit (clock, 512);
        clock.start += 512 * clock.beatsPerSample;

        if (++block % 1024 == 0)
        {
            state.PauseTiming();
            collected.clear();
            capture.drain (collected);
            state.ResumeTiming();
        }
    }

    const auto blocks = (double) state.iterations();
    state.counters["budget_percent"] = benchmark::Counter (blocks * (512.0 / 48000.0) * 1.0e9 * 1.0e-9 / 100.0,
                                                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK (captureKeepsABlocksInput)->Unit (benchmark::kNanosecond);

void blockWithInputCaptureOff (benchmark::State& state)
{
    blockWithInput (state, false);
}
void blockWithInputCaptureArmed (benchmark::State& state)
{
    blockWithInput (state, true);
}
BENCHMARK (blockWithInputCaptureOff)->Unit (benchmark::kMicrosecond);
BENCHMARK (blockWithInputCaptureArmed)->Unit (benchmark::kMicrosecond);
} // namespace
