#include "core/ParameterLayout.h"

#include "core/ModulationDestinations.h"
#include "core/Note.h"
#include "core/NoteFields.h"

#include <cmath>

namespace zelk
{
namespace
{
// Collected first and handed to the layout in one go: adding to a layout one parameter at a time
// reallocates its storage on every call, which is quadratic over fourteen thousand parameters.
using Group = std::vector<std::unique_ptr<juce::RangedAudioParameter>>;

juce::ParameterID idOf (const juce::String& identifier) { return { identifier, 1 }; }

void addFloat (Group& layout, const juce::String& identifier, const juce::String& name,
               float min, float max, float interval, float defaultValue)
{
    layout.push_back (std::make_unique<juce::AudioParameterFloat> (idOf (identifier), name,
                                                             juce::NormalisableRange<float> (min, max, interval),
                                                             defaultValue));
}

void addBool (Group& layout, const juce::String& identifier, const juce::String& name, bool defaultValue)
{
    layout.push_back (std::make_unique<juce::AudioParameterBool> (idOf (identifier), name, defaultValue));
}

void addDestinations (Group& layout)
{
    for (int d = 0; d < destinationCount; ++d)
    {
        const auto range = destinationRange (d);
        addFloat (layout, destinationId (d), destinationName (d), range.min, range.max, 0.001f, range.defaultValue);
    }
}

void addLfoExtras (Group& layout)
{
    for (int lfo = 0; lfo < lfoCount; ++lfo)
    {
        addBool (layout, lfoSyncId (lfo), "LFO " + juce::String (lfo + 1) + " Sync", false);

        for (int k = 0; k < lfoPointCount; ++k)
        {
            const auto pointDefault = (float) std::sin (juce::MathConstants<double>::twoPi * k / 8.0);
            addFloat (layout, lfoPointId (lfo, k), lfoPointId (lfo, k), -1.0f, 1.0f, 0.001f, pointDefault);
        }

        for (int d = 0; d < destinationCount; ++d)
            addFloat (layout, routeParameterId (lfo, d), "LFO " + juce::String (lfo + 1) + " to " + destinationName (d),
                      -100.0f, 100.0f, 0.01f, 0.0f);
    }
}

void addGlobalSettings (Group& layout)
{
    layout.push_back (std::make_unique<juce::AudioParameterChoice> (idOf ("uiTheme"), "Appearance",
                                                              juce::StringArray { "Light", "Dark", "Vintage" }, 0));
    layout.push_back (std::make_unique<juce::AudioParameterChoice> (idOf ("loop"), "Loop bars (4/4)",
                                                              juce::StringArray { "1", "2", "4", "8" }, 2));
    addFloat (layout, "rangeStart", "Time selection start (beats)", 0.0f, (float) timelineEnd, 0.0001f, 0.0f);
    addFloat (layout, "rangeEnd", "Time selection end (beats)", 0.0f, (float) timelineEnd, 0.0001f, 4.0f);
    addBool (layout, "rangeEnabled", "Time selection enabled", false);
    addFloat (layout, "loopBars", "Custom loop bars (0=legacy)", 0.0f, 65520.0f, 1.0f, 0.0f);
    addBool (layout, "looping", "Loop enabled", false);
    addBool (layout, "enabled", "Sequence enabled", true);
    addBool (layout, "monitor", "Listen synth", true);
    addBool (layout, "hearEdits", "Hear drawing", true);
}

struct NoteParameterSpec
{
    int fieldNumber;
    const char* name;
    float min, max, defaultValue, interval;
};

// The host sees a slot's scalar fields in this order, then its three curves.
constexpr NoteParameterSpec noteScalars[] = {
    { field::on, " enabled", 0.0f, 1.0f, 0.0f, 1.0f },
    { field::pitch, " pitch", 0.0f, 127.0f, 60.0f, 1.0f },
    { field::start, " start", 0.0f, 31.9375f, 0.0f, 0.0001f },
    { field::duration, " duration", 0.0625f, 32.0f, 1.0f, 0.0001f },
    { field::next, " next note", 0.0f, 128.0f, 0.0f, 1.0f },
    { field::glide, " glide beats", 0.0625f, 256.0f, 0.25f, 0.0625f },
    { field::glideShape, " glide shape", -1.0f, 1.0f, 0.0f, 0.001f },
    { field::startPage, " start page", 0.0f, 16380.0f, 0.0f, 1.0f },
    { field::durationPage, " duration page", 0.0f, 16380.0f, 0.0f, 1.0f },
    { field::vibOn, " vibrato enabled", 0.0f, 1.0f, 0.0f, 1.0f },
    { field::vibDepth, " vibrato depth", 0.0f, 12.0f, 0.35f, 0.001f },
    { field::vibCycles, " vibrato cycles", 0.125f, 64.0f, 3.0f, 0.001f },
    { field::vibStart, " vibrato start", 0.0f, 0.999f, 0.0f, 0.001f },
    { field::vibEnd, " vibrato end", 0.001f, 1.0f, 1.0f, 0.001f },
    { field::vibFade, " vibrato fade", 0.0f, 0.5f, 0.2f, 0.001f },
    { field::velocity, " velocity", 1.0f, 127.0f, 100.0f, 1.0f },
};

constexpr NoteParameterSpec curveSpecs[curveCount] = {
    { pitchCurve, " pitch curve ", -1.0f, 1.0f, 0.0f, 0.000001f },
    { pressureCurve, " pressure curve ", 0.0f, 1.0f, 0.5f, 0.001f },
    { timbreCurve, " timbre curve ", 0.0f, 1.0f, 0.5f, 0.001f },
};

void addNoteSlots (Group& layout)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto prefix = "Note " + juce::String (slot + 1);

        for (const auto& spec : noteScalars)
            addFloat (layout, noteParameterId (slot, spec.fieldNumber), prefix + spec.name,
                      spec.min, spec.max, spec.interval, spec.defaultValue);

        for (int curve = 0; curve < curveCount; ++curve)
        {
            const auto& spec = curveSpecs[curve];

            for (int point = 0; point < curvePointCount; ++point)
                addFloat (layout, noteParameterId (slot, field::curvePoint (curve, point)),
                          prefix + spec.name + juce::String (point + 1),
                          spec.min, spec.max, spec.interval, spec.defaultValue);
        }
    }
}
} // namespace

juce::String lfoSyncId (int lfo) { return "lfo" + juce::String (lfo + 1) + "_sync"; }
juce::String lfoPointId (int lfo, int point) { return "lfo" + juce::String (lfo + 1) + "_point" + juce::String (point); }

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    Group layout;
    layout.reserve (parameterCount);
    addDestinations (layout);
    addLfoExtras (layout);
    addGlobalSettings (layout);
    addNoteSlots (layout);
    return { std::make_move_iterator (layout.begin()), std::make_move_iterator (layout.end()) };
}

} // namespace zelk
