#include "midi/VibratoRuns.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace zelk
{
namespace
{
// The rates heard as vibrato, with some room around 3 to 10 Hz.
constexpr double slowestRate = 2.5, fastestRate = 12.0;
// A swing must pass this far either side of the mean before it counts as one.
constexpr float crossingThreshold = 0.03f;

std::vector<float> movingAverage (const std::vector<float>& x, int window)
{
    const auto n = (int) x.size();
    std::vector<double> sum ((size_t) n + 1, 0.0);

    for (int i = 0; i < n; ++i)
        sum[(size_t) i + 1] = sum[(size_t) i] + x[(size_t) i];

    std::vector<float> out ((size_t) n);
    const auto half = std::max (0, window / 2);

    for (int i = 0; i < n; ++i)
    {
        const auto lo = std::max (0, i - half), hi = std::min (n, i + half + 1);
        out[(size_t) i] = (float) ((sum[(size_t) hi] - sum[(size_t) lo]) / (hi - lo));
    }

    return out;
}

struct Crossing
{
    double beat;
    float swing; // the largest distance from the mean in the half cycle this crossing ends
};

// Where the pitch crosses its local mean, each crossing confirmed by a swing beyond the threshold.
std::vector<Crossing> crossingsOf (const std::vector<float>& high, double start, double step)
{
    std::vector<Crossing> crossings;
    auto state = 0;
    auto lastZero = 0.0;
    auto peak = 0.0f;

    for (size_t i = 0; i < high.size(); ++i)
    {
        const auto v = high[i];

        if (i > 0 && (high[i - 1] < 0.0f) != (v < 0.0f))
            lastZero = (double) i - 1.0 + high[i - 1] / (double) (high[i - 1] - v);

        peak = std::max (peak, std::abs (v));

        if ((v > crossingThreshold && state <= 0) || (v < -crossingThreshold && state >= 0))
        {
            crossings.push_back ({start + step * lastZero, peak});
            state = v > 0.0f ? 1 : -1;
            peak = std::abs (v);
        }
    }

    // Each crossing carries the swing of the half cycle before it; shift so that it names the
    // half cycle after it, which the next crossing ends.
    for (size_t i = 0; i + 1 < crossings.size(); ++i)
        crossings[i].swing = crossings[i + 1].swing;

    if (!crossings.empty())
        crossings.back().swing = 0.0f;

    return crossings;
}
} // namespace

std::vector<VibratoRun> findVibratoRuns (const SampledSignal& pitch, double beatsPerSecond)
{
    std::vector<VibratoRun> runs;
    const auto h = pitch.step;
    auto window = (int) std::lround (0.3 * beatsPerSecond / h);
    window += 1 - window % 2;

    const auto trend = movingAverage (pitch.values, window);
    std::vector<float> high (pitch.values.size());

    for (size_t i = 0; i < high.size(); ++i)
        high[i] = pitch.values[i] - trend[i];

    const auto crossings = crossingsOf (high, pitch.start, h);
    const auto shortest = beatsPerSecond / (2.0 * fastestRate), longest = beatsPerSecond / (2.0 * slowestRate);
    const auto halfCycleFits = [&] (size_t k)
    {
        const auto length = crossings[k + 1].beat - crossings[k].beat;
        return length >= shortest && length <= longest && crossings[k].swing >= 0.04f;
    };

    size_t k = 0;

    while (k + 1 < crossings.size())
    {
        if (!halfCycleFits (k))
        {
            ++k;
            continue;
        }

        // Extend while each half cycle is like the one before.
        auto last = k;
        auto largest = crossings[k].swing;

        while (last + 2 < crossings.size() && halfCycleFits (last + 1))
        {
            const auto before = crossings[last + 1].beat - crossings[last].beat;
            const auto after = crossings[last + 2].beat - crossings[last + 1].beat;

            if (after < 0.55 * before || after > 1.8 * before)
                break;

            ++last;
            largest = std::max (largest, crossings[last].swing);
        }

        const auto halfCycles = (int) (last - k + 1);
        const auto span = crossings[last + 1].beat - crossings[k].beat;

        if (halfCycles >= 4 && largest >= 0.08f)
        {
            const auto halfPeriod = span / halfCycles;
            runs.push_back ({std::max (pitch.start, crossings[k].beat - halfPeriod),
                             std::min (pitch.beatOf (pitch.size() - 1), crossings[last + 1].beat + halfPeriod),
                             halfCycles / (2.0 * span), largest});
        }

        k = last + 1;
    }

    return runs;
}

SampledSignal withoutSwings (const SampledSignal& pitch, const std::vector<VibratoRun>& runs)
{
    auto held = pitch;
    // Runs of one rate share their mean: a long note holds many runs, at few rates.
    std::map<int, std::vector<float>> smoothed;

    for (const auto& run : runs)
    {
        auto window = std::max (1, (int) std::lround (1.0 / (run.cyclesPerBeat * pitch.step)));
        window += 1 - window % 2;
        auto found = smoothed.find (window);

        if (found == smoothed.end())
            found = smoothed.emplace (window, movingAverage (pitch.values, window)).first;

        const auto& smooth = found->second;
        const auto first = std::max (0, (int) std::floor ((run.begin - pitch.start) / pitch.step));
        const auto last = std::min (pitch.size() - 1, (int) std::ceil ((run.end - pitch.start) / pitch.step));

        for (int i = first; i <= last; ++i)
            held.values[(size_t) i] = smooth[(size_t) i];
    }

    return held;
}

} // namespace zelk
