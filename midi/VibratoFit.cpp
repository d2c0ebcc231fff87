#include "midi/VibratoFit.h"

#include "core/PatternMath.h"
#include "midi/CurveFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace zelk
{
namespace
{
constexpr double twoPi = 6.283185307179586476925286766559;

// Samples per second for fitting: five to the fastest cycle.
constexpr double fitRate = 60.0;

double round3 (double v)
{
    return std::round (v * 1000.0) / 1000.0;
}
} // namespace

void applyVibrato (const FittedVibrato& vibrato, Note& note) noexcept
{
    note.vibOn = vibrato.found;
    note.vibStart = vibrato.start;
    note.vibEnd = vibrato.end;
    note.vibCycles = vibrato.cycles;
    note.vibDepth = vibrato.depth;
    note.vibFade = vibrato.fade;
}

namespace
{
// A vibrato in beats: its span from t0 for T beats, nu cycles per beat, fade F of the span.
struct Shape
{
    double t0, nu, T, F;
};

// The pitch read for fitting, with what a slow curve explains taken out; the vibrato must
// explain the rest.
class VibratoObjective
{
public:
    VibratoObjective (const ExpressionTrack& pitch, double from, double to, double sampleStep, double trendSpacing)
        : start (from)
        , step (sampleStep)
        , count (std::max (8, (int) std::floor ((to - from) / step) + 1))
        , trend (from, trendSpacing, std::max (2, (int) std::ceil ((to - from) / trendSpacing) + 1), from, step, count)
    {
        std::vector<float> x ((size_t) count);
        pitch.sample (from, step, count, x.data());
        std::vector<double> knots ((size_t) trend.knots());
        trend.fit (x.data(), knots.data());
        residual.resize ((size_t) count);
        trend.evaluate (knots.data(), residual.data());

        for (int i = 0; i < count; ++i)
            residual[(size_t) i] = x[(size_t) i] - residual[(size_t) i];

        for (const auto r : residual)
            energy += r * r;

        unit.resize ((size_t) count);
        explained.resize ((size_t) count);
        knotValues.resize ((size_t) trend.knots());
    }

    // What remains unexplained with the best depth for this shape; the depth through `depth`.
    // Only the samples near the vibrato's span change with it: the curve that absorbs part of it
    // dies away within a few knots.
    double misfit (const Shape& s, double* depth = nullptr)
    {
        const auto first = std::clamp ((int) std::ceil ((s.t0 - start) / step), 0, count - 1);
        const auto last = std::clamp ((int) std::floor ((s.t0 + s.T - start) / step), first, count - 1);
        writeUnit (s, first, last);

        trend.fitRange (unit.data(), first, last, knotValues.data());
        const auto [lo, hi] = trend.near (first, last, 4);
        trend.evaluate (knotValues.data(), lo, hi, explained.data());
        double rw = 0.0, ww = 0.0;

        for (int i = lo; i <= hi; ++i)
        {
            const auto w = (i >= first && i <= last ? unit[(size_t) i] : 0.0) - explained[(size_t) i];
            rw += residual[(size_t) i] * w;
            ww += w * w;
        }

        if (ww < 1e-12)
        {
            if (depth != nullptr)
                *depth = 0.0;

            return energy;
        }

        if (depth != nullptr)
            *depth = rw / ww;

        return energy - rw * rw / ww;
    }

    // The samples a shape's residuals can differ at: its span and `margin` beats either side,
    // and the curve's reach beyond.
    std::pair<int, int> reach (const Shape& s, double margin) const
    {
        const auto first = std::clamp ((int) std::floor ((s.t0 - margin - start) / step), 0, count - 1);
        const auto last = std::clamp ((int) std::ceil ((s.t0 + s.T + margin - start) / step), first, count - 1);
        return trend.near (first, last, 4);
    }

    // The residuals after the best depth at samples lo..hi, which must hold the shape's reach;
    // returns the whole misfit.
    double residuals (const Shape& s, int lo, int hi, std::vector<double>& out)
    {
        const auto first = std::clamp ((int) std::ceil ((s.t0 - start) / step), lo, hi);
        const auto last = std::clamp ((int) std::floor ((s.t0 + s.T - start) / step), first, hi);
        writeUnit (s, first, last);
        trend.fitRange (unit.data(), first, last, knotValues.data());
        trend.evaluate (knotValues.data(), lo, hi, explained.data());
        out.resize ((size_t) (hi - lo + 1));
        double rw = 0.0, ww = 0.0, rr = 0.0;

        for (int i = lo; i <= hi; ++i)
        {
            const auto w = (i >= first && i <= last ? unit[(size_t) i] : 0.0) - explained[(size_t) i];
            out[(size_t) (i - lo)] = w;
            rw += residual[(size_t) i] * w;
            ww += w * w;
            rr += residual[(size_t) i] * residual[(size_t) i];
        }

        const auto depth = ww > 1e-12 ? rw / ww : 0.0;
        double left = 0.0;

        for (int i = lo; i <= hi; ++i)
        {
            auto& o = out[(size_t) (i - lo)];
            o = residual[(size_t) i] - depth * o;
            left += o * o;
        }

        return energy - rr + left;
    }

    double beatOf (int i) const { return start + step * i; }
    int size() const { return count; }
    double residualAt (int i) const { return residual[(size_t) i]; }

private:
    // The unit vibrato at samples first..last, its sine by rotation from one sample to the next.
    void writeUnit (const Shape& s, int first, int last)
    {
        const auto delta = twoPi * s.nu * step;
        const auto cosDelta = std::cos (delta), sinDelta = std::sin (delta);
        const auto phase = twoPi * s.nu * (beatOf (first) - s.t0);
        auto sine = std::sin (phase), cosine = std::cos (phase);

        for (int i = first; i <= last; ++i)
        {
            const auto l = (beatOf (i) - s.t0) / s.T;
            const auto fade = !(l > 0.0 && l < 1.0) ? 0.0
                              : s.F <= 0.0          ? 1.0
                                                    : std::clamp (std::min (l, 1.0 - l) / s.F, 0.0, 1.0);
            unit[(size_t) i] = sine * fade;
            const auto nextSine = sine * cosDelta + cosine * sinDelta;
            cosine = cosine * cosDelta - sine * sinDelta;
            sine = nextSine;
        }
    }

    double start, step;
    int count;
    HatFit trend;
    std::vector<double> residual, unit, explained, knotValues;
    double energy = 0.0;
};

// The rate and phase of the swings in the run: rising through the mean at tRef.
void findCarrier (const VibratoObjective& data, const VibratoRun& run, double& nu, double& tRef)
{
    const auto first =
        std::max (0, (int) std::ceil ((run.begin - data.beatOf (0)) / (data.beatOf (1) - data.beatOf (0))));
    const auto energyAt = [&] (double rate, double* phase)
    {
        double ss = 0.0, cc = 0.0, sc = 0.0, a = 0.0, b = 0.0;
        const auto delta = twoPi * rate * (data.beatOf (1) - data.beatOf (0));
        const auto cosDelta = std::cos (delta), sinDelta = std::sin (delta);
        auto s = std::sin (twoPi * rate * data.beatOf (first)), c = std::cos (twoPi * rate * data.beatOf (first));

        // The sine and cosine by rotation from one sample to the next.
        for (int i = first; i < data.size() && data.beatOf (i) <= run.end; ++i)
        {
            const auto r = data.residualAt (i);
            ss += s * s;
            cc += c * c;
            sc += s * c;
            a += r * s;
            b += r * c;
            const auto next = s * cosDelta + c * sinDelta;
            c = c * cosDelta - s * sinDelta;
            s = next;
        }

        const auto det = ss * cc - sc * sc;

        if (det <= 1e-12)
            return 0.0;

        const auto alpha = (a * cc - b * sc) / det, beta = (b * ss - a * sc) / det;

        if (phase != nullptr)
            *phase = std::atan2 (beta, alpha);

        return alpha * a + beta * b;
    };

    // Golden section over the rate, around the crossings' estimate.
    auto lo = nu * 0.85, hi = nu * 1.15;
    const auto g = 0.6180339887498949;

    for (int i = 0; i < 20; ++i)
    {
        const auto m1 = hi - g * (hi - lo), m2 = lo + g * (hi - lo);

        if (energyAt (m1, nullptr) > energyAt (m2, nullptr))
            hi = m2;
        else
            lo = m1;
    }

    nu = 0.5 * (lo + hi);
    double phase = 0.0;
    energyAt (nu, &phase);
    // sin (2 pi nu t + phase) rises through zero where 2 pi nu t + phase = 2 pi k.
    tRef = -phase / (twoPi * nu);
}

// A first span and fade from the swing's size cycle by cycle: a trapezoid fitted to them.
Shape findEnvelope (const VibratoObjective& data, const VibratoRun& run, double nu, double tRef, double earliest,
                    double latest)
{
    struct Cycle
    {
        double centre, amplitude;
    };

    std::vector<Cycle> cycles;
    const auto period = 1.0 / nu;
    const auto firstCycle = (int) std::floor ((data.beatOf (0) - tRef) / period);
    const auto lastCycle = (int) std::ceil ((data.beatOf (data.size() - 1) - tRef) / period);
    const auto step = data.beatOf (1) - data.beatOf (0);

    for (int j = firstCycle; j <= lastCycle; ++j)
    {
        const auto a = tRef + j * period, b = a + period;
        double rs = 0.0, ss = 0.0;
        int n = 0;

        for (int i = std::max (0, (int) std::ceil ((a - data.beatOf (0)) / step));
             i < data.size() && data.beatOf (i) < b; ++i)
        {
            const auto s = std::sin (twoPi * nu * (data.beatOf (i) - tRef));
            rs += data.residualAt (i) * s;
            ss += s * s;
            ++n;
        }

        if (n * step >= 0.5 * period && ss > 1e-9)
            cycles.push_back ({a + 0.5 * period, rs / ss});
    }

    Shape best{run.begin, nu, run.end - run.begin, 0.2};
    auto bestError = 1e300;

    for (int k = (int) std::floor ((run.begin - 3.0 * period - tRef) / period);
         k <= (int) std::ceil ((run.begin + period - tRef) / period); ++k)
    {
        const auto t0 = tRef + k * period;

        if (t0 < earliest - 1e-9)
            continue;

        for (auto t1 = run.end - period; t1 <= std::min (latest, run.end + 2.0 * period) + 1e-9; t1 += period / 8.0)
        {
            if (t1 - t0 < period)
                continue;

            for (int f = 0; f <= 10; ++f)
            {
                const auto F = f * 0.05;
                double ae = 0.0, ee = 0.0, aa = 0.0;

                for (const auto& c : cycles)
                {
                    const auto l = (c.centre - t0) / (t1 - t0);
                    const auto e = !(l > 0.0 && l < 1.0) ? 0.0
                                   : F <= 0.0            ? 1.0
                                                         : std::clamp (std::min (l, 1.0 - l) / F, 0.0, 1.0);
                    ae += c.amplitude * e;
                    ee += e * e;
                    aa += c.amplitude * c.amplitude;
                }

                const auto error = ee > 0.0 ? aa - ae * ae / ee : aa;

                if (ae > 0.0 && error < bestError)
                {
                    bestError = error;
                    best = {t0, nu, t1 - t0, F};
                }
            }
        }
    }

    return best;
}

// Levenberg and Marquardt's damped Gauss-Newton steps on the four shape parameters (span start,
// rate, span length, fade), the depth solved anew at every step, derivatives by differences.
template <typename Bound>
Shape levenberg (VibratoObjective& data, const Shape& start, const Bound& bounded, int iterations)
{
    std::array<double, 4> p{start.t0, start.nu, start.T, start.F};
    const auto period = 1.0 / start.nu;
    const std::array<double, 4> h{1e-3 * period, 1e-4 * start.nu, 1e-3 * period, 1e-3};
    auto current = data.misfit (bounded (p));
    auto lambda = 1e-3;
    std::vector<double> r0;
    std::array<std::vector<double>, 4> columns;

    for (int iteration = 0; iteration < iterations; ++iteration)
    {
        const auto [lo, hi] = data.reach (bounded (p), period);
        data.residuals (bounded (p), lo, hi, r0);

        for (size_t j = 0; j < 4; ++j)
        {
            auto q = p;
            q[j] += h[j];
            data.residuals (bounded (q), lo, hi, columns[j]);

            for (size_t i = 0; i < r0.size(); ++i)
                columns[j][i] = (columns[j][i] - r0[i]) / h[j];
        }

        std::array<std::array<double, 4>, 4> a{};
        std::array<double, 4> g{};

        for (size_t j = 0; j < 4; ++j)
        {
            for (size_t k = j; k < 4; ++k)
            {
                double sum = 0.0;

                for (size_t i = 0; i < r0.size(); ++i)
                    sum += columns[j][i] * columns[k][i];

                a[j][k] = a[k][j] = sum;
            }

            for (size_t i = 0; i < r0.size(); ++i)
                g[j] += columns[j][i] * r0[i];
        }

        auto improved = false;

        for (int attempt = 0; attempt < 6 && !improved; ++attempt)
        {
            // (A + lambda diag A) delta = -g, by Gaussian elimination.
            auto m = a;
            std::array<double, 4> delta;

            for (size_t j = 0; j < 4; ++j)
            {
                m[j][j] = a[j][j] * (1.0 + lambda) + 1e-30;
                delta[j] = -g[j];
            }

            for (size_t c = 0; c < 4; ++c)
                for (size_t r = c + 1; r < 4; ++r)
                {
                    const auto f = m[r][c] / m[c][c];

                    for (size_t k = c; k < 4; ++k)
                        m[r][k] -= f * m[c][k];

                    delta[r] -= f * delta[c];
                }

            for (int c = 3; c >= 0; --c)
            {
                for (size_t k = (size_t) c + 1; k < 4; ++k)
                    delta[(size_t) c] -= m[(size_t) c][k] * delta[k];

                delta[(size_t) c] /= m[(size_t) c][(size_t) c];
            }

            auto q = p;

            for (size_t j = 0; j < 4; ++j)
                q[j] += delta[j];

            if (const auto tried = data.misfit (bounded (q)); tried < current)
            {
                improved = current - tried > 1e-12 * current;
                p = q;
                current = tried;
                lambda = std::max (lambda / 3.0, 1e-9);
                improved = true;
            }
            else
            {
                lambda *= 4.0;
            }
        }

        if (!improved)
            break;
    }

    return bounded (p);
}
} // namespace

FittedVibrato fitVibrato (const ExpressionTrack& pitch, const VibratoRun& run, double noteStart, double duration,
                          double from, double to, double beatsPerSecond)
{
    FittedVibrato result;

    if (run.cyclesPerBeat <= 0.0 || to - from < 2.0 / run.cyclesPerBeat)
        return result;

    // The slow curve under the vibrato moves no faster than a cycle, or the note's own points.
    const auto trendSpacing = std::max (1.0 / run.cyclesPerBeat, duration / (curvePointCount - 1));
    VibratoObjective data (pitch, from, to, beatsPerSecond / fitRate, trendSpacing);

    auto nu = run.cyclesPerBeat, tRef = 0.0;
    findCarrier (data, run, nu, tRef);
    auto shape = findEnvelope (data, run, nu, tRef, from, to);

    const auto noteEnd = noteStart + duration;
    const auto bounded = [&] (const std::array<double, 4>& p)
    {
        Shape s{std::clamp (p[0], noteStart, noteEnd - 0.001 * duration), std::max (p[1], 1e-3), 0.0,
                std::clamp (p[3], 0.0, 0.5)};
        s.T = std::clamp (p[2], 0.001 * duration, noteEnd - s.t0);
        return s;
    };
    const auto period = 1.0 / nu;
    auto polished = levenberg (data, shape, bounded, 10);

    // The simplex settles near where it began; where the vibrato ends is tried once more in steps
    // of an eighth of a cycle, and the best polished again.
    auto best = polished;
    auto bestMisfit = data.misfit (best);

    for (int step = -8; step <= 8; ++step)
    {
        auto s = polished;
        s.T = polished.T + step * period / 8.0;

        if (s.T <= period || s.t0 + s.T > noteEnd + 1e-9)
            continue;

        if (const auto m = data.misfit (s); m < bestMisfit)
        {
            bestMisfit = m;
            best = s;
        }
    }

    if (best.T != polished.T)
        polished = levenberg (data, best, bounded, 6);

    // On the parameters' grid: start and end to a thousandth of the note, the neighbours of the
    // nearest tried as well, since a start moved by a thousandth can shift a fast vibrato's phase.
    const auto vs0 = round3 ((polished.t0 - noteStart) / duration);
    const auto ve0 = round3 ((polished.t0 + polished.T - noteStart) / duration);
    bestMisfit = 1e300;

    for (int dvs = -1; dvs <= 1; ++dvs)
        for (int dve = -1; dve <= 1; ++dve)
        {
            const auto vs = std::clamp (vs0 + 0.001 * dvs, 0.0, 0.999);
            const auto ve = std::clamp (ve0 + 0.001 * dve, 0.001, 1.0);

            if (ve <= vs)
                continue;

            // As playback sees the span: from the note's own single-precision start and length.
            const auto t0 = (double) (float) noteStart + vs * (double) (float) duration;
            const auto T = (ve - vs) * (double) (float) duration;
            // A thousandth of a cycle more or less moves the phase by 0.006 radians at most.
            {
                const auto cycles = std::clamp (round3 (polished.nu * T), 0.125, 64.0);
                const Shape s{t0, cycles / T, T, std::clamp (round3 (polished.F), 0.0, 0.5)};
                double depth = 0.0;
                const auto m = data.misfit (s, &depth);

                if (m < bestMisfit && depth > 0.0)
                {
                    bestMisfit = m;
                    result = {true,
                              (float) vs,
                              (float) ve,
                              (float) cycles,
                              (float) std::clamp (round3 (depth), 0.0, 12.0),
                              (float) s.F};
                }
            }
        }

    return result;
}

} // namespace zelk
