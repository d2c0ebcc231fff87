#pragma once

#include "core/Note.h"
#include "midi/ExpressionTrack.h"

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace zelk
{
// Least squares of uniformly spaced samples onto the tent functions of evenly spaced knots: the
// line through the knots that best follows the samples, so that every knot is taken from the
// stream around it rather than from one message. Knots that no sample reaches keep their
// neighbours' value. Built once for a layout, then fitted to any number of signals.
class HatFit
{
public:
    HatFit (double firstKnot, double knotSpacing, int knotCount, double firstSample, double sampleStep,
            int sampleCount);

    int knots() const noexcept { return knotCount; }
    int samples() const noexcept { return (int) position.size(); }

    void fit (const float* values, double* knotValues) const;
    void fit (const double* values, double* knotValues) const;
    // The same for values that are zero outside samples first..last.
    void fitRange (const double* values, int first, int last, double* knotValues) const;
    // The first and last sample within `margin` knot intervals of samples first..last.
    std::pair<int, int> near (int first, int last, int margin) const noexcept;
    // The fitted line at every sample, or at samples first..last.
    void evaluate (const double* knotValues, double* out) const;
    void evaluate (const double* knotValues, int first, int last, double* out) const;
    double valueAt (const double* knotValues, double beat) const noexcept;

private:
    template <typename T> void solve (const T* values, int first, int last, double* knotValues) const;

    double firstKnot, spacing;
    int knotCount;
    std::vector<int> index;                        // each sample's knot interval
    std::vector<double> position;                  // and where in it, 0..1
    std::vector<double> offDiagonal, upper, scale; // the factorised normal equations
};

using CurvePoints = std::array<double, curvePointCount>;

// The 33 points of a curve over a note that best follow a track between beats `from` and `to`.
// Laid out once for a note and a stretch of it, then fitted to any track read there.
class CurveFitter
{
public:
    CurveFitter (double start, double duration, double from, double to);

    // Less `minus` (a function of the beat) when one is given. `misfit`, when given, receives
    // the root mean square of what the curve leaves unexplained.
    CurvePoints fit (const ExpressionTrack& track, const std::function<double (double)>& minus = {},
                     double* misfit = nullptr) const;

private:
    double from = 0.0, step = 1.0;
    int count = 1;
    HatFit hats;
    mutable std::vector<float> values;
    mutable std::vector<double> fitted;
};

// The curve's value at a beat inside its note, as `curveAt` reads it.
double curvePointsAt (const CurvePoints& points, double start, double duration, double beat) noexcept;

} // namespace zelk
