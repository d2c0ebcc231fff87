#include "core/NoteFields.h"
#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"

namespace zelk
{
namespace
{
bool isSlot (int slot) noexcept { return slot >= 0 && slot < slotCount; }

// Start and duration are stored as a 16-beat page plus a fine part; returns the fine part and
// sets page.
float splitIntoPage (float value, float lowest, float& page) noexcept
{
    const auto clamped = std::clamp (value, lowest, (float) timelineEnd);
    page = std::floor ((clamped - lowest) / (float) beatsPerPage);
    return clamped - (float) beatsPerPage * page;
}
} // namespace

bool ZelkProcessor::isNoteOn (int slot) const noexcept
{
    return isSlot (slot) && isSwitchOn (pointers.notes[(size_t) slot][(size_t) field::on]->load (std::memory_order_relaxed));
}

Note ZelkProcessor::readNote (int slot) const noexcept
{
    Note note;

    if (! isSlot (slot))
    {
        for (auto& curve : note.curves)
            curve.fill (0.0f);

        return note;
    }

    const auto& p = pointers.notes[(size_t) slot];
    const auto value = [&p] (int f) noexcept { return p[(size_t) f]->load (std::memory_order_relaxed); };

    note.on = isSwitchOn (value (field::on));
    note.pitch = (int32_t) value (field::pitch);
    note.start = value (field::startPage) * (float) beatsPerPage + value (field::start);
    note.duration = value (field::durationPage) * (float) beatsPerPage + value (field::duration);
    note.velocity = value (field::velocity);

    for (int curve = 0; curve < curveCount; ++curve)
        for (int point = 0; point < curvePointCount; ++point)
            note.curves[(size_t) curve][(size_t) point] = value (field::curvePoint (curve, point));

    note.next = (int32_t) value (field::next) - 1;
    note.glide = value (field::glide);
    note.glideShape = value (field::glideShape);
    note.vibOn = isSwitchOn (value (field::vibOn));
    note.vibDepth = value (field::vibDepth);
    note.vibCycles = value (field::vibCycles);
    note.vibStart = value (field::vibStart);
    note.vibEnd = value (field::vibEnd);
    note.vibFade = value (field::vibFade);
    return note;
}

void ZelkProcessor::setWithGesture (juce::RangedAudioParameter& parameter, float value)
{
    parameter.beginChangeGesture();
    parameter.setValueNotifyingHost (parameter.convertTo0to1 (value));
    parameter.endChangeGesture();
}

void ZelkProcessor::setNoteField (int slot, int fieldNumber, float value)
{
    if (! std::isfinite (value))
        return;

    if (fieldNumber == field::start || fieldNumber == field::duration)
    {
        const auto isStart = fieldNumber == field::start;
        float page = 0.0f;
        value = splitIntoPage (value, isStart ? 0.0f : (float) minimumDuration, page);
        setNoteField (slot, isStart ? field::startPage : field::durationPage, page);
    }

    setWithGesture (*noteParameters[(size_t) slot][(size_t) fieldNumber], value);
}

void ZelkProcessor::setParameterValue (const juce::String& identifier, float value)
{
    // A non-finite value would be stored as is and poison the pattern.
    if (! std::isfinite (value))
        return;

    const auto isStart = identifier.endsWith ("_start");

    if (identifier.startsWith ("note") && (isStart || identifier.endsWith ("_duration")))
    {
        const auto slot = identifier.substring (4).getIntValue() - 1;

        if (isSlot (slot) && identifier == noteParameterId (slot, isStart ? field::start : field::duration))
        {
            setNoteField (slot, isStart ? field::start : field::duration, value);
            return;
        }
    }

    if (auto* parameter = parameters.getParameter (identifier))
        setWithGesture (*parameter, value);
}

void ZelkProcessor::writeNote (int slot, const Note& note)
{
    if (! isSlot (slot))
        return;

    const auto flag = [] (bool on) { return on ? 1.0f : 0.0f; };

    setNoteField (slot, field::on, 0.0f);
    setNoteField (slot, field::pitch, (float) note.pitch);
    setNoteField (slot, field::start, note.start);
    setNoteField (slot, field::duration, note.duration);
    setNoteField (slot, field::velocity, note.velocity);
    setNoteField (slot, field::vibOn, flag (note.vibOn));
    setNoteField (slot, field::vibDepth, note.vibDepth);
    setNoteField (slot, field::vibCycles, note.vibCycles);
    setNoteField (slot, field::vibStart, note.vibStart);
    setNoteField (slot, field::vibEnd, note.vibEnd);
    setNoteField (slot, field::vibFade, note.vibFade);
    setNoteField (slot, field::next, (float) (note.next + 1));
    setNoteField (slot, field::glide, note.glide);
    setNoteField (slot, field::glideShape, note.glideShape);

    for (int curve = 0; curve < curveCount; ++curve)
        for (int point = 0; point < curvePointCount; ++point)
            setNoteField (slot, field::curvePoint (curve, point), note.curves[(size_t) curve][(size_t) point]);

    setNoteField (slot, field::on, flag (note.on));
}

void ZelkProcessor::clearPattern()
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        setNoteField (slot, field::on, 0.0f);
        setNoteField (slot, field::next, 0.0f);
    }
}

double ZelkProcessor::curveAt (const Note& note, int curve, double x) noexcept { return zelk::curveAt (note, curve, x); }

double ZelkProcessor::pitchAt (const Note& note, const Note* next, double t, double bendDepth) noexcept
{
    return zelk::pitchAt (note, next, t, bendDepth);
}

} // namespace zelk
