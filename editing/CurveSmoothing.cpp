#include "editing/CurveSmoothing.h"

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"

namespace zelk
{
namespace
{
using CurveParameters = std::array<juce::RangedAudioParameter*, curvePointCount>;

CurveParameters pitchCurveParameters (ZelkProcessor& processor, int slot)
{
    CurveParameters parameters {};

    for (int i = 0; i < curvePointCount; ++i)
        parameters[(size_t) i] = processor.parameterTree().getParameter (
            noteParameterId (slot, field::curvePoint (pitchCurve, i)));

    return parameters;
}
} // namespace

void smoothOnce (ZelkProcessor& processor, CanvasEditState& canvas)
{
    canvas.cancelGesture();
    const auto slot = canvas.activeNote;

    if (slot < 0 || slot >= slotCount || ! processor.readNote (slot).on)
        return;

    canvas.beforeEdit();
    const auto p = processor.readNote (slot).curves[pitchCurve];
    const auto parameters = pitchCurveParameters (processor, slot);

    // One gesture around the whole curve, so the host records the smoothing as one change.
    for (auto* parameter : parameters)
        parameter->beginChangeGesture();

    // One pass from the values read before it: results are not fed into later points.
    for (size_t i = 1; i + 1 < (size_t) curvePointCount; ++i)
    {
        const auto value = (p[i - 1] + 2.0f * p[i] + p[i + 1]) / 4.0f;
        parameters[i]->setValueNotifyingHost (parameters[i]->convertTo0to1 (value));
    }

    for (auto* parameter : parameters)
        parameter->endChangeGesture();

    canvas.cancelGesture();
    canvas.refresh();
}

} // namespace zelk
