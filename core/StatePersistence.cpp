#include "core/ZelkProcessor.h"

#include <unordered_set>

namespace zelk
{
namespace
{
const juce::Identifier paramType { "PARAM" };
const juce::Identifier idProperty { "id" };
const juce::Identifier valueProperty { "value" };

void removeInstrumentElements (juce::ValueTree& state)
{
    for (int i = state.getNumChildren(); --i >= 0;)
        if (state.getChild (i).hasType (HostedInstrument::elementType))
            state.removeChild (i, nullptr);
}

// The parameter tree would take a value from any child that carries an "id", whatever its type.
void removeAllButParameters (juce::ValueTree& state)
{
    for (int i = state.getNumChildren(); --i >= 0;)
        if (! state.getChild (i).hasType (paramType))
            state.removeChild (i, nullptr);
}

// A value the parameter can hold: numbers outside the range are clamped, and anything that is
// not a finite number falls back to the default.
float sanitisedValue (const juce::var& stored, const juce::RangedAudioParameter& parameter)
{
    const auto& range = parameter.getNormalisableRange();
    const auto fallback = range.convertFrom0to1 (parameter.getDefaultValue());
    const auto text = stored.toString().trim();

    if (text.isEmpty() || ! text.containsAnyOf ("0123456789"))
        return fallback;

    const auto value = text.getDoubleValue();
    return std::isfinite (value) ? (float) std::clamp (value, (double) range.start, (double) range.end) : fallback;
}
} // namespace

void ZelkProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    auto state = parameters.copyState();
    removeInstrumentElements (state);

    const auto element = instrument.savedStateElement();

    if (element.isValid())
        state.appendChild (element, nullptr);

    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

juce::ValueTree ZelkProcessor::withMissingParameters (juce::ValueTree state) const
{
    std::unordered_set<juce::String> present;
    present.reserve ((size_t) state.getNumChildren());

    for (auto child : state)
        present.insert (child.getProperty (idProperty).toString());

    for (auto* parameter : getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);

        if (ranged == nullptr || present.count (ranged->paramID) > 0)
            continue;

        // Older states had looping on without saying so.
        const auto value = ranged->paramID == "looping" ? 1.0f : ranged->convertFrom0to1 (ranged->getDefaultValue());
        state.appendChild (juce::ValueTree (paramType, { { idProperty, ranged->paramID }, { valueProperty, value } }), nullptr);
    }

    for (auto child : state)
        if (child.hasType (paramType))
            if (auto* parameter = parameters.getParameter (child.getProperty (idProperty).toString()))
                child.setProperty (valueProperty, sanitisedValue (child.getProperty (valueProperty), *parameter), nullptr);

    return state;
}

void ZelkProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName (stateType.toString()))
        return;

    auto state = juce::ValueTree::fromXml (*xml);

    if (! state.isValid())
        return;

    const auto element = state.getChildWithName (HostedInstrument::elementType).createCopy();
    removeAllButParameters (state);

    parameters.replaceState (withMissingParameters (state));
    instrument.restoreFromState (element);
    stateReloaded = true;
}

} // namespace zelk
