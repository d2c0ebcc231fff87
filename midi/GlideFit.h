#pragma once

#include "midi/ExpressionTrack.h"

#include <vector>

namespace zelk
{
// Where one played note becomes two connected ones: the first keeps everything up to `arrival`,
// where the second starts on `key`; the first's glide runs from `glideStart` to `arrival`.
struct Slide
{
    double glideStart = 0.0;
    double arrival = 0.0;
    double glide = 0.0625; // the glide length to store: a whole number of sixteenths of a beat
    int key = 60;
};

// The slides of a note: where its pitch moves by a semitone or more and then holds near another
// key for at least an eighth of a beat. `held` is the pitch (semitones from `key`) with vibrato
// taken out, uniformly sampled; `pitch` the played track, read finely to place each glide's ends;
// `levels` its pressure and timbre, whose steps can show where a slow arrival ends.
std::vector<Slide> findSlides (const SampledSignal& held, const ExpressionTrack& pitch,
                               const std::vector<const ExpressionTrack*>& levels, int key, double noteStart,
                               double noteEnd, double beatsPerSecond);

// The glide shape (-1..1, to a thousandth) whose curve from `from` to `to` best follows the played
// pitch between glideStart and arrival.
float fitGlideShape (const ExpressionTrack& pitch, double glideStart, double arrival, double from, double to,
                     double beatsPerSecond);

} // namespace zelk
