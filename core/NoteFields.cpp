#include "core/NoteFields.h"

#include "core/Note.h"

namespace zelk
{
juce::String noteFieldName (int fieldNumber)
{
    switch (fieldNumber)
    {
        case field::on: return "on";
        case field::pitch: return "pitch";
        case field::start: return "start";
        case field::duration: return "duration";
        case field::velocity: return "velocity";
        case field::next: return "next";
        case field::glide: return "glide";
        case field::glideShape: return "glideShape";
        case field::startPage: return "startPage";
        case field::durationPage: return "durationPage";
        case field::vibOn: return "vibOn";
        case field::vibDepth: return "vibDepth";
        case field::vibCycles: return "vibCycles";
        case field::vibStart: return "vibStart";
        case field::vibEnd: return "vibEnd";
        case field::vibFade: return "vibFade";
        default: break;
    }

    if (fieldNumber >= field::firstCurvePoint && fieldNumber < field::next)
    {
        const auto index = fieldNumber - field::firstCurvePoint;
        return "curve" + juce::String (index / curvePointCount) + "_" + juce::String (index % curvePointCount);
    }

    return {};
}

juce::String noteParameterId (int slot, int fieldNumber)
{
    return "note" + juce::String (slot + 1) + "_" + noteFieldName (fieldNumber);
}

} // namespace zelk
