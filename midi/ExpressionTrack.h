#pragma once

#include <cstddef>
#include <vector>

namespace zelk
{
struct ExpressionPoint
{
    double beat;
    float value;
};

// One played expression of one note (pitch in semitones from its key, or pressure or timbre
// 0..1): the values the stream sent, in time order, the first at the note's start. Between two
// messages that come in quick succession the value moved in a line; across a longer silence it
// held and moved only in the last moment, as a controller that sends changes only does.
class ExpressionTrack
{
public:
    // A second value at the same beat replaces the first: only the last one sounded. A note held
    // for minutes under dense messages would grow without end, so a track that reaches
    // `mostPoints` is thinned to half as many, evenly in time, and keeps that spacing from then on.
    void add (double beat, float value);

    static constexpr std::size_t mostPoints = 16384;

    bool empty() const noexcept { return points.empty(); }
    const std::vector<ExpressionPoint>& values() const noexcept { return points; }
    std::vector<ExpressionPoint>& values() noexcept { return points; }

    // The longest gap between messages that still counts as one continuous move.
    double rampLimit = 0.012;

    // The spacing thinning left between kept values, in beats; 0 while every value is kept.
    double thinnedTo() const noexcept { return spacing; }

    double valueAt (double beat) const noexcept;

    // Values at from, from + step, ... (count of them), read in one pass.
    void sample (double from, double step, int count, float* out) const noexcept;

private:
    void thin();

    std::vector<ExpressionPoint> points;
    double spacing = 0.0;
};

// The track's values on a uniform grid of beats.
struct SampledSignal
{
    double start = 0.0;
    double step = 1.0;
    std::vector<float> values;

    int size() const noexcept { return (int) values.size(); }
    double beatOf (int i) const noexcept { return start + step * i; }
    // Linear between the samples, held beyond them.
    double at (double beat) const noexcept;
};

SampledSignal sampleTrack (const ExpressionTrack& track, double from, double to, double step);

// Takes out what a controller's noise leaves: single-message spikes that return at once, and
// (for pitch, in semitones) reversals smaller than a cent.
void removeJitter (ExpressionTrack& track, float spike, float wobble, double spikeDuration);

} // namespace zelk
