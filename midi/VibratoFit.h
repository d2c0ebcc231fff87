#pragma once

#include "core/Note.h"
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

// A note's vibrato fields, on the grid their parameters keep.
struct FittedVibrato
{
    bool found = false;
    float start = 0.0f, end = 1.0f, cycles = 3.0f, depth = 0.35f, fade = 0.2f;
};

// Zelk's own vibrato fitted to a run: start, end and fade as fractions of the note (which lies
// at noteStart for duration beats), cycles and depth, such that the note's vibrato over the
// curve that remains plays the swing. The pitch is read between from and to.
FittedVibrato fitVibrato (const ExpressionTrack& pitch, const VibratoRun& run, double noteStart, double duration,
                          double from, double to, double beatsPerSecond);

// The note's vibrato fields set to the fitted vibrato.
void applyVibrato (const FittedVibrato& vibrato, Note& note) noexcept;

} // namespace zelk
