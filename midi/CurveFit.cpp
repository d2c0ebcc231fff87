#include "midi/CurveFit.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
// Small beside any sample's weight: enough to carry values into knots without samples, too
// small to bend a curve the samples define.
constexpr double smoothing = 1.0e-6;
} // namespace

HatFit::HatFit (double first, double knotSpacing, int count, double firstSample, double sampleStep, int sampleCount)
    : firstKnot (first)
    , spacing (knotSpacing)
    , knotCount (std::max (2, count))
{
    index.resize ((size_t) sampleCount);
    position.resize ((size_t) sampleCount);
    std::vector<double> diagonal ((size_t) knotCount, 0.0), off ((size_t) knotCount, 0.0);

    for (int i = 0; i < sampleCount; ++i)
    {
        const auto u = std::clamp ((firstSample + sampleStep * i - firstKnot) / spacing, 0.0, (double) (knotCount - 1));
        const auto k = std::min ((int) u, knotCount - 2);
        const auto f = u - k;
        index[(size_t) i] = k;
        position[(size_t) i] = f;
        diagonal[(size_t) k] += (1.0 - f) * (1.0 - f);
        diagonal[(size_t) k + 1] += f * f;
        off[(size_t) k] += f * (1.0 - f);
    }

    const auto lambda = smoothing * std::max (1.0, (double) sampleCount / knotCount);

    for (int k = 0; k + 1 < knotCount; ++k)
    {
        diagonal[(size_t) k] += lambda;
        diagonal[(size_t) k + 1] += lambda;
        off[(size_t) k] -= lambda;
    }

    // Thomas's algorithm, factorised once: the system is symmetric and positive definite.
    upper.assign ((size_t) knotCount, 0.0);
    scale.assign ((size_t) knotCount, 0.0);

    for (int k = 0; k < knotCount; ++k)
    {
        const auto below = k > 0 ? off[(size_t) k - 1] : 0.0;
        const auto pivot = diagonal[(size_t) k] - (k > 0 ? below * upper[(size_t) k - 1] : 0.0);
        scale[(size_t) k] = 1.0 / pivot;
        upper[(size_t) k] = off[(size_t) k] * scale[(size_t) k];
    }

    // Kept for the forward pass: the sub-diagonal equals the super-diagonal.
    offDiagonal = std::move (off);
}

template <typename T> void HatFit::solve (const T* values, int first, int last, double* x) const
{
    std::fill (x, x + knotCount, 0.0);

    for (auto i = (size_t) std::max (0, first); i < index.size() && (int) i <= last; ++i)
    {
        const auto k = (size_t) index[i];
        const auto f = position[i];
        x[k] += (1.0 - f) * values[i];
        x[k + 1] += f * values[i];
    }

    for (int k = 0; k < knotCount; ++k)
        x[k] = (x[k] - (k > 0 ? offDiagonal[(size_t) k - 1] * x[k - 1] : 0.0)) * scale[(size_t) k];

    for (int k = knotCount - 2; k >= 0; --k)
        x[k] -= upper[(size_t) k] * x[k + 1];
}

void HatFit::fit (const float* values, double* knotValues) const
{
    solve (values, 0, samples() - 1, knotValues);
}
void HatFit::fit (const double* values, double* knotValues) const
{
    solve (values, 0, samples() - 1, knotValues);
}

void HatFit::fitRange (const double* values, int first, int last, double* knotValues) const
{
    solve (values, first, last, knotValues);
}

std::pair<int, int> HatFit::near (int first, int last, int margin) const noexcept
{
    const auto n = samples();

    if (n == 0)
        return {0, -1};

    first = std::clamp (first, 0, n - 1);
    last = std::clamp (last, 0, n - 1);
    const auto lo = index[(size_t) first] - margin, hi = index[(size_t) last] + 1 + margin;

    while (first > 0 && index[(size_t) first - 1] >= lo)
        --first;

    while (last + 1 < n && index[(size_t) last + 1] < hi)
        ++last;

    return {first, last};
}

void HatFit::evaluate (const double* knotValues, double* out) const
{
    evaluate (knotValues, 0, samples() - 1, out);
}

void HatFit::evaluate (const double* knotValues, int first, int last, double* out) const
{
    for (auto i = (size_t) std::max (0, first); i < index.size() && (int) i <= last; ++i)
    {
        const auto k = (size_t) index[i];
        out[i] = knotValues[k] + (knotValues[k + 1] - knotValues[k]) * position[i];
    }
}

double HatFit::valueAt (const double* knotValues, double beat) const noexcept
{
    const auto u = std::clamp ((beat - firstKnot) / spacing, 0.0, (double) (knotCount - 1));
    const auto k = std::min ((int) u, knotCount - 2);
    return knotValues[k] + (knotValues[k + 1] - knotValues[k]) * (u - k);
}

namespace
{
// The most samples a curve is fitted to: a 64th of a beat over two minutes at 120 bpm.
constexpr double mostSamples = 16384.0;

// Eight samples to a knot interval at least, and none sparser than a 64th of a beat: several to a
// cycle of the fastest vibrato, which a curve that cannot follow it must at least not alias. A
// note held far longer is read more sparsely, its knots being far apart anyway.
double sampleStepFor (double duration, double span)
{
    const auto step = std::min (duration / (curvePointCount - 1) / 8.0, 1.0 / 64.0);
    return span / step <= mostSamples ? step : span / mostSamples;
}
} // namespace

CurveFitter::CurveFitter (double start, double duration, double readFrom, double readTo)
    : from (std::clamp (readFrom, start, start + duration))
    , step (sampleStepFor (duration, std::clamp (readTo, from, start + duration) - from))
    , count ((int) std::floor ((std::clamp (readTo, from, start + duration) - from) / step + 1e-9) + 1)
    , hats (start, duration / (curvePointCount - 1), curvePointCount, from, step, count)
    , values ((size_t) count)
    , fitted ((size_t) count)
{
}

CurvePoints CurveFitter::fit (const ExpressionTrack& track, const std::function<double (double)>& minus,
                              double* misfit) const
{
    track.sample (from, step, count, values.data());

    if (minus)
        for (int i = 0; i < count; ++i)
            values[(size_t) i] -= (float) minus (from + step * i);

    CurvePoints points{};
    hats.fit (values.data(), points.data());

    if (misfit != nullptr)
    {
        hats.evaluate (points.data(), fitted.data());
        double sum = 0.0;

        for (int i = 0; i < count; ++i)
            sum += (values[(size_t) i] - fitted[(size_t) i]) * (values[(size_t) i] - fitted[(size_t) i]);

        *misfit = std::sqrt (sum / count);
    }

    return points;
}

double curvePointsAt (const CurvePoints& points, double start, double duration, double beat) noexcept
{
    const auto x = std::clamp ((beat - start) / duration, 0.0, 1.0) * 32.0;
    const auto i = std::min ((int) x, 31);
    return points[(size_t) i] + (points[(size_t) i + 1] - points[(size_t) i]) * (x - i);
}

} // namespace zelk
