#pragma once

#include "midi/ExpressionTrack.h"

#include <vector>

namespace zelk
{
// A stretch of pitch that swings to and fro at a vibrato's rate.
struct VibratoRun
{
    double begin = 0.0, end = 0.0; // beats
    double cyclesPerBeat = 0.0;
    float amplitude = 0.0f; // the largest swing seen, semitones
};

// The swings of a pitch signal (semitones, uniformly sampled) at roughly 3 to 10 Hz that go on for
// at least two cycles, in time order.
std::vector<VibratoRun> findVibratoRuns (const SampledSignal& pitch, double beatsPerSecond);

// The signal with each run's swings replaced by their local mean: what the pitch holds under the
// vibrato.
SampledSignal withoutSwings (const SampledSignal& pitch, const std::vector<VibratoRun>& runs);

} // namespace zelk
