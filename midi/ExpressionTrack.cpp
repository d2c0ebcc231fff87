#include "midi/ExpressionTrack.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
void ExpressionTrack::add (double beat, float value)
{
    if (!points.empty() && beat <= points.back().beat + spacing)
    {
        points.back().value = value;
        return;
    }

    if (points.size() >= mostPoints)
        thin();

    points.push_back ({beat, value});
}

// Keeps one value in each stretch of the new spacing, the latest sent in it, as add does after.
void ExpressionTrack::thin()
{
    spacing = std::max (2.0 * spacing, 2.0 * (points.back().beat - points.front().beat) / (double) mostPoints);
    size_t kept = 0;

    for (size_t i = 1; i < points.size(); ++i)
    {
        if (points[i].beat <= points[kept].beat + spacing)
            points[kept].value = points[i].value;
        else
            points[++kept] = points[i];
    }

    points.resize (kept + 1);
}

namespace
{
// The value between two neighbouring messages.
double between (const ExpressionPoint& a, const ExpressionPoint& b, double beat, double rampLimit) noexcept
{
    const auto rampStart = std::max (a.beat, b.beat - rampLimit);

    if (beat <= rampStart)
        return a.value;

    return a.value + (b.value - (double) a.value) * (beat - rampStart) / (b.beat - rampStart);
}
} // namespace

double ExpressionTrack::valueAt (double beat) const noexcept
{
    if (points.empty())
        return 0.0;

    const auto after = std::upper_bound (points.begin(), points.end(), beat,
                                         [] (double b, const ExpressionPoint& p) { return b < p.beat; });

    if (after == points.begin())
        return points.front().value;

    if (after == points.end())
        return points.back().value;

    return between (*(after - 1), *after, beat, rampLimit);
}

void ExpressionTrack::sample (double from, double step, int count, float* out) const noexcept
{
    if (points.empty())
    {
        std::fill (out, out + count, 0.0f);
        return;
    }

    const auto first = std::upper_bound (points.begin(), points.end(), from,
                                         [] (double b, const ExpressionPoint& p) { return b < p.beat; });
    auto next = (size_t) (first - points.begin());

    for (int i = 0; i < count; ++i)
    {
        const auto beat = from + step * i;

        while (next < points.size() && points[next].beat <= beat)
            ++next;

        if (next == 0)
            out[i] = points.front().value;
        else if (next == points.size())
            out[i] = points.back().value;
        else
            out[i] = (float) between (points[next - 1], points[next], beat, rampLimit);
    }
}

double SampledSignal::at (double beat) const noexcept
{
    if (values.empty())
        return 0.0;

    const auto x = (beat - start) / step;

    if (x <= 0.0)
        return values.front();

    const auto i = (size_t) x;

    if (i + 1 >= values.size())
        return values.back();

    return values[i] + (values[i + 1] - (double) values[i]) * (x - (double) i);
}

SampledSignal sampleTrack (const ExpressionTrack& track, double from, double to, double step)
{
    SampledSignal signal;
    signal.start = from;
    signal.step = step;
    // Callers bound their spans; a count past this (or not a number) is a fault to survive.
    const auto samples = std::floor ((to - from) / step + 1e-9) + 1.0;
    const auto count = samples >= 1.0 ? (int) std::min (samples, 16777216.0) : 1;
    signal.values.resize ((size_t) count);
    track.sample (from, step, count, signal.values.data());
    return signal;
}

void removeJitter (ExpressionTrack& track, float spike, float wobble, double spikeDuration)
{
    auto& p = track.values();

    if (p.size() >= 3)
    {
        // A spike: one message away from two neighbours that agree, close together in time.
        std::vector<float> cleaned (p.size());

        for (size_t i = 0; i < p.size(); ++i)
            cleaned[i] = p[i].value;

        for (size_t i = 1; i + 1 < p.size(); ++i)
        {
            const auto a = p[i - 1].value, b = p[i].value, c = p[i + 1].value;
            const auto up = b - a > spike && b - c > spike;
            const auto down = a - b > spike && c - b > spike;

            if ((up || down) && std::abs (a - c) < spike * 0.5f && p[i + 1].beat - p[i - 1].beat <= spikeDuration)
                cleaned[i] = (a + c) * 0.5f;
        }

        for (size_t i = 0; i < p.size(); ++i)
            p[i].value = cleaned[i];
    }

    if (wobble <= 0.0f || p.empty())
        return;

    // A move against the last direction counts only once it is a wobble's size.
    auto held = p.front().value;
    auto direction = 0;

    for (auto& point : p)
    {
        const auto d = point.value - held;

        if (d == 0.0f)
            continue;

        const auto sign = d > 0.0f ? 1 : -1;

        if (direction == 0 || sign == direction || std::abs (d) >= wobble)
        {
            held = point.value;
            direction = sign;
        }
        else
        {
            point.value = held;
        }
    }
}

} // namespace zelk
