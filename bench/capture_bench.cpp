// Capture: converting a long played performance, and the block routine while CAPTURE is armed.
#include "bench/EnginePatterns.h"
#include "midi/PerformanceCapture.h"

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
    const auto uniform = [&random] (double lo, double hi) { return std::uniform_real_distribution<double> (lo, hi) (random); };
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
                      [] (const juce::MidiMessage& a, const juce::MidiMessage& b) { return a.getTimeStamp() < b.getTimeStamp(); });
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
} // namespace
