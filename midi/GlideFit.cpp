#include "midi/GlideFit.h"

#include "engine/FastPower.h"
#include "midi/PitchHolds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelk
{
namespace
{
constexpr double sixteenth = 0.0625;
// How close to a key a hold must be to be held near it.
constexpr double nearKey = 0.4;
// Each side of a glide is judged by how still it holds for this long.
constexpr double sideWindow = 0.0625;
// The longest glide a note stores, in sixteenths.
constexpr int longestGlide = 4096;
// Lengths tried on the first look before they are tried in wider steps.
constexpr int lengthsTried = 256;
// More arrivals than any look tries: a step lost to rounding would otherwise never end one.
constexpr int mostArrivals = 1 << 16;

// The pitch read finely around one slide, and what each choice of its ends costs. Near a sharp
// corner the stream's messages lie on either side of it and the line between them cuts the
// corner, so a gap of one message spacing around each end is left out and the pitch at the ends
// is taken from the sides.
class SlideRegion
{
public:
    SlideRegion (const ExpressionTrack& pitch, double from, double to, double step)
        : signal (sampleTrack (pitch, from, to, step))
        , gap (pitch.rampLimit)
    {
    }

    struct Fit
    {
        double value = 0.0; // at the end it was fitted to
        double squares = 0.0;
        int count = 0;
        double exponent = 1.0; // of a glide's best shape
    };

    // The mean squared misfit of a glide from m to e between held sides, and its shape's
    // exponent; a coarse look reads only so many samples of the glide (0: all of them).
    std::pair<double, double> cost (double m, double e, int samples,
                                    double bound = std::numeric_limits<double>::max()) const
    {
        const auto stride = samples > 0 ? std::max (1, (int) ((e - m - 2.0 * gap) / signal.step / samples)) : 1;
        const auto before = side (m, -1), after = side (e, 1);

        if (std::abs (after.value - before.value) < 0.5)
            return {std::numeric_limits<double>::max(), 1.0};

        // The sides alone already cost more than the best so far: no need to fit the glide.
        const auto most = before.count + after.count + (e - m - 2.0 * gap) / (signal.step * stride) + 1.0;

        if ((before.squares + after.squares) / most >= bound)
            return {std::numeric_limits<double>::max(), 1.0};

        // A coarse look takes one step towards the shape, a fine one two.
        const auto glide = glideMisfit (m, e, before.value, after.value, stride, samples > 0 && samples < 32 ? 1 : 2);
        const auto count = before.count + after.count + glide.count;
        return {count > 0 ? (before.squares + after.squares + glide.squares) / count
                          : std::numeric_limits<double>::max(),
                glide.exponent};
    }

    // The pitch held beside an end, for a side window beyond the gap: a slide leaves one held
    // pitch and arrives at another, so a side that still moves is part of the slide.
    Fit side (double end, int direction) const
    {
        const auto near = end + direction * gap, far = end + direction * sideWindow;
        const auto first = indexAfter (std::min (near, far)), last = indexBefore (std::max (near, far));
        double n = 0.0, sz = 0.0, szz = 0.0;

        for (int i = first; i <= last; ++i)
        {
            const auto z = (double) signal.values[(size_t) i];
            n += 1.0;
            sz += z;
            szz += z * z;
        }

        Fit fit;

        if (n < 3.0)
        {
            fit.value = signal.at (end);
            return fit;
        }

        fit.value = sz / n;
        fit.squares = std::max (0.0, szz - sz * fit.value);
        fit.count = (int) n;
        return fit;
    }

    // The glide's misfit with its best shape. Which sign of shape shows in where it is halfway; a
    // first exponent comes from that point, brought to the played curve by Gauss-Newton steps.
    Fit glideMisfit (double m, double e, double from, double to, int stride = 1, int steps = 2) const
    {
        const auto half = (signal.at (0.5 * (m + e)) - from) / (to - from);
        const auto rising = half < 0.5;
        // The glide as a + b w^E: w = u for positive shapes, 1 - u for negative ones.
        const auto a = rising ? from : to, b = rising ? to - from : from - to;
        auto exponent =
            std::clamp (std::log (std::clamp (rising ? half : 1.0 - half, 1e-3, 1.0)) / std::log (0.5), 1.0, 8.0);
        const auto first = indexAfter (m + gap), last = indexBefore (e - gap);

        // Each sample's log w once; every step then needs only an exponential.
        logs.clear();
        values.clear();

        for (int i = first; i <= last; i += stride)
        {
            const auto u = std::clamp ((signal.beatOf (i) - m) / (e - m), 0.0, 1.0);
            const auto w = rising ? u : 1.0 - u;
            logs.push_back (w > 0.0 ? fastpower::detail::log (w) : -1e9);
            values.push_back (signal.values[(size_t) i]);
        }

        for (int step = 0; step < steps; ++step)
        {
            double rj = 0.0, jj = 0.0;

            for (size_t i = 0; i < logs.size(); ++i)
            {
                const auto power = fastpower::detail::exp (exponent * logs[i]);
                const auto j = b * power * logs[i];
                rj += (values[i] - (a + b * power)) * j;
                jj += j * j;
            }

            if (jj <= 0.0)
                break;

            exponent = std::clamp (exponent + rj / jj, 1.0, 8.0);
        }

        Fit fit;

        for (size_t i = 0; i < logs.size(); ++i)
        {
            const auto d = values[i] - (a + b * fastpower::detail::exp (exponent * logs[i]));
            fit.squares += d * d;
        }

        fit.count = (int) logs.size();
        fit.exponent = exponent;
        return fit;
    }

private:
    int indexAfter (double beat) const
    {
        return std::clamp ((int) std::ceil ((beat - signal.start) / signal.step), 0, signal.size() - 1);
    }

    int indexBefore (double beat) const
    {
        return std::clamp ((int) std::floor ((beat - signal.start) / signal.step), -1, signal.size() - 1);
    }

    const SampledSignal signal;
    const double gap;
    mutable std::vector<double> logs, values;
};

struct Choice
{
    double m = 0.0, e = 0.0, glide = sixteenth, cost = std::numeric_limits<double>::max(), exponent = 1.0;
};

// Where the pitch left its level (`begin`) and reached the new one (`holdStart`) as a first look
// sees them: a slow start leaves its level late, up to most of the glide after it began, and a
// slow end enters the hold early, up to most of the glide before it arrives.
struct RoughSlide
{
    double segmentStart, begin, holdStart, holdEnd;
};

// A glide of k sixteenths arriving at e; longer than the note before it, it starts where that
// note does.
Choice glideOf (const SlideRegion& region, const RoughSlide& rough, double e, int k, int samples = 0,
                double bound = std::numeric_limits<double>::max())
{
    Choice choice;
    auto glide = k * sixteenth;
    auto m = e - glide;

    if (m < rough.segmentStart)
    {
        m = rough.segmentStart;
        glide = std::ceil ((e - rough.segmentStart) / sixteenth - 1e-9) * sixteenth;
    }

    if (e - m >= 0.01)
    {
        const auto [cost, exponent] = region.cost (m, e, samples, bound);
        choice = {m, e, std::max (glide, sixteenth), cost, exponent};
    }

    return choice;
}

// Where pressure or timbre steps between two messages near a beat: a new note's own expression
// begins there. A controller that sends only changes sends a step at its first period after it,
// so the step is placed half a period before the later message. Negative when there is none.
double levelStepNear (const std::vector<const ExpressionTrack*>& levels, double from, double to, double spacing)
{
    auto largest = 6.0 / 127.0, where = -1.0;

    for (const auto* track : levels)
    {
        const auto& p = track->values();
        const auto first =
            std::lower_bound (p.begin(), p.end(), from, [] (const ExpressionPoint& a, double b) { return a.beat < b; });

        for (auto it = first; it != p.end() && it + 1 != p.end() && (it + 1)->beat <= to; ++it)
        {
            const auto next = it + 1;

            if (const auto step = std::abs (next->value - it->value); step > largest)
            {
                largest = step;
                where = std::max (it->beat, next->beat - 0.5 * spacing);
            }
        }
    }

    return where;
}

// The glide's ends. For each length in sixteenths the arrival that fits best on a coarse grid;
// the few best refined on a fine one, since a sharp corner has a valley narrower than a coarse
// step. A slow arrival hides where it ends, so of lengths that fit the pitch equally well the one
// that arrives where the expression steps is taken. Last, the arrival to a fraction of a tick.
Choice placeSlide (const SlideRegion& region, const RoughSlide& rough,
                   const std::vector<const ExpressionTrack*>& levels, double spacing)
{
    const auto seen = rough.holdStart - rough.begin;
    const auto shortest = std::clamp ((int) std::floor ((0.9 * seen - sixteenth) / sixteenth), 1, longestGlide);
    const auto longest = std::clamp ((int) std::ceil ((3.5 * seen + sixteenth) / sixteenth), shortest, longestGlide);
    // Every other length, or for a slide of many beats as many as that would be for a few.
    const auto stride = 2 * std::max (1, (longest - shortest) / lengthsTried);
    const auto coarse = 1.0 / 120.0, fine = 1.0 / 480.0, slack = 1.0 / 32.0;
    const auto arrivals = [&] (int k)
    {
        const auto g = k * sixteenth;
        return std::make_pair (
            std::max ({rough.segmentStart + sixteenth, rough.holdStart - slack, rough.begin + 0.2 * g - slack}),
            std::min ({rough.holdEnd - sixteenth, rough.holdStart + 0.85 * g + slack, rough.begin + g + slack}));
    };
    // Longer glides are looked at in coarser steps; each is refined over the step it was found in.
    const auto coarseStep = [&] (int k) { return std::max (coarse, k * sixteenth / 24.0); };
    const auto bestAround = [&] (int k, double from, double to, double step, int samples)
    {
        Choice best;
        auto tried = 0;

        for (auto e = from; e <= to + 1e-9 && tried < mostArrivals; e += step, ++tried)
            if (const auto c = glideOf (region, rough, e, k, samples, best.cost); c.cost < best.cost)
                best = c;

        return best;
    };

    std::vector<Choice> choices;
    const auto coarsely = [&] (int k)
    {
        if (const auto [earliest, latest] = arrivals (k); earliest <= latest)
            if (const auto c = bestAround (k, earliest, latest, coarseStep (k), 24);
                c.cost < std::numeric_limits<double>::max())
                choices.push_back (c);
    };

    // Every other length first, then the neighbours of the two that fit best.
    for (int k = shortest; k <= longest; k += stride)
        coarsely (k);

    std::sort (choices.begin(), choices.end(), [] (const Choice& a, const Choice& b) { return a.cost < b.cost; });

    for (size_t i = 0, tried = choices.size(); i < std::min<size_t> (2, tried); ++i)
    {
        const auto k = (int) std::lround (choices[i].glide / sixteenth);

        for (const auto neighbour : {k - stride / 2, k + stride / 2})
            if (neighbour >= shortest && neighbour <= longest && (neighbour - shortest) % stride != 0)
                coarsely (neighbour);
    }

    std::sort (choices.begin(), choices.end(), [] (const Choice& a, const Choice& b) { return a.cost < b.cost; });

    if (choices.size() > 4)
        choices.resize (4);

    for (auto& choice : choices)
    {
        const auto k = (int) std::lround (choice.glide / sixteenth);
        choice = bestAround (k, choice.e - coarseStep (k), choice.e + coarseStep (k), fine, 64);
    }

    const auto step = levelStepNear (levels, rough.holdStart - slack, arrivals (longest).second + slack, spacing);

    if (step >= 0.0)
        for (int k = shortest; k <= longest; k += stride / 2)
            if (const auto [earliest, latest] = arrivals (k);
                step >= earliest - 2.0 * spacing && step <= latest + 2.0 * spacing)
                choices.push_back (bestAround (k, step - 2.0 * spacing, step + 2.0 * spacing, fine / 2.0, 64));

    Choice best;

    for (const auto& c : choices)
        if (c.cost < best.cost)
            best = c;

    if (best.cost == std::numeric_limits<double>::max())
        return best;

    // Among the equals: the one arriving at the step, or else the gentlest shape.
    auto chosen = best;
    auto nearest = 1.5 * spacing;
    const auto equal = [&best] (const Choice& c) { return c.cost <= 2.0 * best.cost + 4e-6; };

    for (const auto& c : choices)
        if (equal (c) && c.exponent < chosen.exponent - 0.05)
            chosen = c;

    // The step is placed only to half a period: it settles which sixteenth, the pitch the rest.
    if (std::abs (step - chosen.e) < nearest)
        nearest = 0.0;

    for (const auto& c : choices)
        if (step >= 0.0 && equal (c) && std::abs (step - c.e) < nearest)
        {
            nearest = std::abs (step - c.e);
            chosen = c;
        }

    // Golden section on the arrival, each step reusing one of the two points before it.
    const auto k = (int) std::lround (chosen.glide / sixteenth);
    chosen = glideOf (region, rough, chosen.e, k);
    const auto g = 0.6180339887498949;
    auto lo = chosen.e - fine, hi = chosen.e + fine;
    auto left = glideOf (region, rough, hi - g * (hi - lo), k), right = glideOf (region, rough, lo + g * (hi - lo), k);

    for (int i = 0; i < 10; ++i)
    {
        if (left.cost < right.cost)
        {
            hi = right.e;
            right = left;
            left = glideOf (region, rough, hi - g * (hi - lo), k);
        }
        else
        {
            lo = left.e;
            left = right;
            right = glideOf (region, rough, lo + g * (hi - lo), k);
        }
    }

    for (const auto& c : {left, right})
        if (c.cost < chosen.cost)
            chosen = c;

    return chosen;
}
} // namespace

std::vector<Slide> findSlides (const SampledSignal& held, const ExpressionTrack& pitch,
                               const std::vector<const ExpressionTrack*>& levels, int key, double noteStart,
                               double noteEnd, double beatsPerSecond)
{
    std::vector<Slide> slides;
    auto segmentKey = key;
    auto segmentStart = noteStart;
    const auto indexOf = [&held] (double beat)
    { return std::clamp ((int) std::lround ((beat - held.start) / held.step), 0, held.size() - 1); };

    for (const auto& hold : findHolds (held, 0))
    {
        const auto holdStart = held.beatOf (hold.first), holdEnd = held.beatOf (hold.last);
        const auto target = key + hold.mean;
        const auto near = (int) std::lround (target);

        if (std::abs (target - near) > nearKey || near == segmentKey || near < 0 || near > 127 ||
            holdStart <= segmentStart)
            continue;

        // The slide: back from the hold to where the pitch was a semitone away, then on back while
        // it keeps moving towards the hold.
        const auto first = indexOf (segmentStart);
        auto q = hold.first - 1;

        while (q >= first && std::abs (held.values[(size_t) q] - hold.mean) < 1.0)
            --q;

        if (q < first)
            continue;

        // Back on while it still moves towards the hold, until it has been still for a 32nd.
        const auto still = std::max (1, (int) std::lround (1.0 / 32.0 / held.step));
        auto begin = q;

        while (begin > first &&
               std::abs (held.values[(size_t) begin - 1] - hold.mean) >=
                   std::abs (held.values[(size_t) begin] - hold.mean) - 0.02 &&
               !(begin - still >= first &&
                 std::abs (held.values[(size_t) (begin - still)] - held.values[(size_t) begin]) < 0.03))
            --begin;

        const RoughSlide rough{segmentStart, held.beatOf (begin), holdStart, holdEnd};
        const auto seen = holdStart - rough.begin;
        const auto from = std::max (segmentStart, rough.begin - 1.6 * seen - 2.0 * sideWindow);
        const SlideRegion region (pitch, from, std::min (noteEnd, holdStart + 1.6 * seen + 2.0 * sideWindow),
                                  beatsPerSecond / 1000.0);
        const auto choice = placeSlide (region, rough, levels, pitch.rampLimit);

        // The notes either side of the arrival must each be at least the shortest note long (with
        // room for the arrival's rounding to the converter's grid).
        if (choice.cost == std::numeric_limits<double>::max() || noteEnd - choice.e < sixteenth
            || choice.e - segmentStart < sixteenth + 1.0e-4)
            continue;

        slides.push_back ({choice.m, choice.e, choice.glide, near});
        segmentKey = near;
        segmentStart = choice.e;
    }

    return slides;
}

float fitGlideShape (const ExpressionTrack& pitch, double glideStart, double arrival, double from, double to,
                     double beatsPerSecond)
{
    if (arrival - glideStart <= 0.0 || std::abs (to - from) < 1e-6)
        return 0.0f;

    // The played glide, a gap of one message spacing in from either end, with each sample's
    // logarithms of u and 1 - u taken once: every shape tried then costs an exponential a sample.
    const auto step = std::min (beatsPerSecond / 500.0, (arrival - glideStart) / 64.0);
    const auto gap = std::min (pitch.rampLimit, 0.25 * (arrival - glideStart));
    const auto signal = sampleTrack (pitch, glideStart + gap, arrival - gap, step);
    std::vector<double> rising, falling;

    for (int i = 0; i < signal.size(); ++i)
    {
        const auto u = std::clamp ((signal.beatOf (i) - glideStart) / (arrival - glideStart), 0.0, 1.0);
        rising.push_back (u > 0.0 ? fastpower::detail::log (u) : -1e9);
        falling.push_back (u < 1.0 ? fastpower::detail::log (1.0 - u) : -1e9);
    }

    const auto misfit = [&] (double shape)
    {
        const auto exponent = std::exp2 (3.0 * std::abs (shape));
        double sum = 0.0;

        for (int i = 0; i < signal.size(); ++i)
        {
            const auto shaped = shape >= 0.0 ? fastpower::detail::exp (exponent * rising[(size_t) i])
                                             : 1.0 - fastpower::detail::exp (exponent * falling[(size_t) i]);
            const auto d = signal.values[(size_t) i] - (from + (to - from) * shaped);
            sum += d * d;
        }

        return sum;
    };

    auto lo = -1.0, hi = 1.0;
    const auto g = 0.6180339887498949;

    for (int i = 0; i < 18; ++i)
    {
        const auto m1 = hi - g * (hi - lo), m2 = lo + g * (hi - lo);

        if (misfit (m1) < misfit (m2))
            hi = m2;
        else
            lo = m1;
    }

    // On the parameter's grid, with its neighbours tried.
    const auto centre = std::round (0.5 * (lo + hi) * 1000.0) / 1000.0;
    auto best = centre;

    for (const auto candidate : {centre - 0.001, centre + 0.001})
        if (candidate >= -1.0 && candidate <= 1.0 && misfit (candidate) < misfit (best))
            best = candidate;

    return (float) std::clamp (best, -1.0, 1.0);
}

} // namespace zelk
