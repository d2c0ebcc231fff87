#include "ui/canvas/ZelkCanvas.h"

#include "core/NoteFields.h"
#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double latestStart = timelineEnd - minimumDuration;
// Keeps a pointer exactly on a grid line on that line despite float error.
constexpr double snapTolerance = 0.00001;
constexpr double fineShare = 0.1;

double floorToSixteenth (double beat) noexcept { return std::floor (beat * 4.0 + snapTolerance) / 4.0; }
double ceilToSixteenth (double beat) noexcept { return std::ceil (beat * 4.0 - snapTolerance) / 4.0; }

double controlValue (const ZelkProcessor& processor, int destinationIndex) noexcept
{
    return processor.raw().destinations[(size_t) destinationIndex]->load (std::memory_order_relaxed);
}

// The pitch of a stroke at beat t, walking its points with an index that only moves forward.
double strokePitchAt (const std::vector<juce::Point<float>>& points, size_t& j, double t) noexcept
{
    while (j + 1 < points.size() && t > points[j + 1].x)
        ++j;

    const auto& point = points[j];

    if (t < point.x)
        return point.y;

    if (j + 1 < points.size() && points[j + 1].x > point.x)
    {
        const auto& following = points[j + 1];
        const auto share = std::clamp ((t - point.x) / ((double) following.x - point.x), 0.0, 1.0);
        return point.y + (following.y - point.y) * share;
    }

    return point.y;
}
} // namespace

double ZelkCanvas::toCurveValue (const Note& note, double pitch)
{
    const auto depth = bendDepth();

    if (! (depth >= 0.001))
    {
        hint = "Bend depth is zero. Increase it on CONTROLS to draw pitch bends.";
        return 0.0;
    }

    const auto value = (pitch - displayKey (note)) / depth;

    if (std::abs (value) > 1.0)
        hint = "Pitch limited by Bend depth on CONTROLS.";

    return std::clamp (value, -1.0, 1.0);
}

int ZelkCanvas::firstFreeSlot() const
{
    for (int slot = 0; slot < slotCount; ++slot)
        if (! processor.isNoteOn (slot))
            return slot;

    return -1;
}

double ZelkCanvas::snappedPressBeat (float x) const noexcept
{
    const auto beat = xToBeat (x);
    return timeSnap ? floorToSixteenth (beat) : beat;
}

double ZelkCanvas::snappedPitch (float y) const noexcept
{
    const auto pitch = yToPitch (y);
    return pitchSnap ? std::round (pitch) : pitch;
}

// A flat note of the default length under the pointer, keyed so that it shows where it was
// pressed whatever the transpose.
Note ZelkCanvas::newNoteAt (juce::Point<float> position)
{
    const auto pitch = snappedPitch (position.y);
    const auto transpose = std::nearbyint (controlValue (processor, destination::transpose));

    Note note;
    note.on = true;
    note.pitch = (int) std::clamp (std::nearbyint (pitch) - transpose, 0.0, 127.0);
    note.start = (float) std::min (snappedPressBeat (position.x), latestStart);
    note.duration = (float) std::min (timelineEnd - note.start, (double) defaultLength);
    note.curves = defaultNoteCurves();
    note.curves[pitchCurve].fill ((float) toCurveValue (note, pitch));
    return note;
}

void ZelkCanvas::beginNewStroke (juce::Point<float> position)
{
    const auto slot = firstFreeSlot();

    if (slot < 0)
    {
        hint = "128 notes used. Remove a note before drawing another.";
        edit.repaint();
        return;
    }

    selection = { slot };
    activeNote = slot;
    const auto note = newNoteAt (position);
    processor.writeNote (slot, note);

    const auto pitch = (float) snappedPitch (position.y);
    gesture.strokePoints = { { note.start, pitch } };
    gesture.lastStrokePoint = { note.start, pitch };
    gesture.initialPitch = pitch;
    gesture.kind = GestureKind::newStroke;
    gesture.slot = slot;
    openCurveGesture (slot);
    finishEditPress (note, 0.0);
}

void ZelkCanvas::dragNewStroke (juce::Point<float> position, bool flat)
{
    const auto slot = gesture.slot;

    // The host may have taken the note away (an undo, a loaded state); the stroke then draws nothing.
    if (! processor.isNoteOn (slot))
        return;

    const auto q = (float) xToBeat (position.x);
    auto m = flat ? (double) gesture.initialPitch : yToPitch (position.y);

    if (pitchSnap)
        m = std::round (m);

    // Going back over the stroke replaces what lay between the last point and this one.
    auto& points = gesture.strokePoints;
    const auto w = gesture.lastStrokePoint.x;
    const auto lo = std::min (q, w), hi = std::max (q, w);
    points.erase (std::remove_if (points.begin(), points.end(),
                                  [lo, hi] (juce::Point<float> p) { return p.x >= lo && p.x <= hi; }),
                  points.end());

    if (std::abs (w - q) > 0.00001f)
        points.push_back (gesture.lastStrokePoint);

    gesture.lastStrokePoint = { q, (float) m };
    points.push_back (gesture.lastStrokePoint);
    std::stable_sort (points.begin(), points.end(),
                      [] (juce::Point<float> a, juce::Point<float> b) { return a.x < b.x; });

    // The note covers every grid cell the stroke touched.
    double a = points.front().x, e = points.back().x;

    if (timeSnap)
    {
        e = ceilToSixteenth (e);
        a = floorToSixteenth (a);
    }

    a = std::min (a, latestStart);
    e = std::min (std::max (e, a + minimumDuration), timelineEnd);
    processor.setParameterValue (noteParameterId (slot, field::start), (float) a);
    processor.setParameterValue (noteParameterId (slot, field::duration), (float) (e - a));

    // The stroke's height becomes the curve, relative to the key of the press.
    const auto note = processor.readNote (slot);
    size_t j = 0;

    for (int i = 0; i < curvePointCount; ++i)
        setCurvePoint (i, toCurveValue (note, strokePitchAt (points, j, a + (e - a) * i / 32.0)));

    audition ((float) (displayKey (note) + toCurveValue (note, m) * bendDepth()), 0.5f, 0.5f);
    refresh();
}

void ZelkCanvas::beginCurveRedraw (int slot, juce::Point<float> position, bool fine)
{
    if (! isSelected (slot))
        selection = { slot };

    activeNote = slot;
    gesture.pressedNote = processor.readNote (slot);
    gesture.kind = GestureKind::curveRedraw;
    gesture.slot = slot;
    openCurveGesture (slot);
    gesture.lastPaintedIndex = -1;
    paintCurvePoint (position, fine);
    finishEditPress (gesture.pressedNote, fractionAlong (gesture.pressedNote, position.x));
}

void ZelkCanvas::paintCurvePoint (juce::Point<float> position, bool fine)
{
    const auto slot = gesture.slot;

    if (! processor.isNoteOn (slot))
        return;

    const auto note = processor.readNote (slot);
    const auto f = fractionAlong (note, position.x);
    const auto i = std::clamp ((int) std::nearbyint (f * 32.0), 0, 32);
    auto v = toCurveValue (note, snappedPitch (position.y));

    // Fine: creep a tenth of the way towards the pointer with every step, auto-repeats included.
    if (fine)
    {
        const double old = note.curves[pitchCurve][(size_t) i];
        v = old + (v - old) * fineShare;
    }

    const auto last = gesture.lastPaintedIndex;

    // A pointer that skipped points fills them along a straight line.
    if (last < 0 || last == i)
    {
        setCurvePoint (i, v);
    }
    else
    {
        const auto from = (double) gesture.lastPaintedValue;

        for (auto k = std::min (i, last); k <= std::max (i, last); ++k)
            setCurvePoint (k, from + (v - from) * (k - last) / (i - last));
    }

    gesture.lastPaintedIndex = i;
    gesture.lastPaintedValue = (float) v;

    // The pen sounds as the engine would play it there.
    const auto painted = processor.readNote (slot);
    const auto pressure = curveAt (painted, pressureCurve, f) * controlValue (processor, destination::pressure) * 0.01;
    const auto timbre =
        (curveAt (painted, timbreCurve, f) - 0.5) * controlValue (processor, destination::timbre) * 0.01 + 0.5;
    audition ((float) displayPitchAt (painted, f), (float) pressure, (float) timbre);
    hint = "Pitch follows the piano keys / Shift: fine";
}

void ZelkCanvas::addDefaultNote (juce::Point<float> position)
{
    cancelGesture();
    const auto slot = firstFreeSlot();

    if (slot < 0)
        return;

    edit.beforeEdit();
    processor.writeNote (slot, newNoteAt (position));
    selection = { slot };
    activeNote = slot;
    firstClick.note = slot;
    refresh();
}

void ZelkCanvas::auditionKey (float y) { audition ((float) std::round (yToPitch (y)), 0.5f, 0.5f); }

// One change gesture around the whole drag on the slot's pitch curve, so the host records the
// drawing as one change of each point.
void ZelkCanvas::openCurveGesture (int slot)
{
    gesture.curveGestureSlot = slot;
    gesture.curveGestureCurve = pitchCurve;

    for (int i = 0; i < curvePointCount; ++i)
    {
        auto* parameter =
            processor.parameterTree().getParameter (noteParameterId (slot, field::curvePoint (pitchCurve, i)));
        gesture.curveParameters[(size_t) i] = parameter;

        if (parameter != nullptr)
            parameter->beginChangeGesture();
    }
}

void ZelkCanvas::setCurvePoint (int point, double value)
{
    auto* parameter = gesture.curveParameters[(size_t) std::clamp (point, 0, curvePointCount - 1)];

    if (parameter != nullptr && std::isfinite (value))
        parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) value));
}

} // namespace zelk
