#include "core/Utf8.h"
#include "core/ZelkProcessor.h"

#include <string_view>

namespace zelk
{
namespace
{
const juce::Identifier paramType { "PARAM" };
const juce::Identifier idAttribute { "id" };
const juce::Identifier valueAttribute { "value" };

float defaultOf (const juce::RangedAudioParameter& parameter)
{
    return parameter.convertFrom0to1 (parameter.getDefaultValue());
}

// A value the parameter can hold: numbers outside the range are clamped, and anything that is
// not a finite number falls back to the default.
float sanitisedValue (const juce::String& stored, const juce::RangedAudioParameter& parameter)
{
    const auto& range = parameter.getNormalisableRange();
    const auto text = stored.trim();

    if (text.isEmpty() || ! text.containsAnyOf ("0123456789"))
        return defaultOf (parameter);

    const auto value = text.getDoubleValue();
    return std::isfinite (value) ? (float) std::clamp (value, (double) range.start, (double) range.end) : defaultOf (parameter);
}
// The text that the framework's unwrapping would read from a state block is UTF-8 it can walk.
bool holdsWellFormedText (const void* data, int sizeInBytes)
{
    if (sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt (data) != 0x21324356)
        return true; // not a wrapped document at all, which the unwrapping refuses itself

    const auto length = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));

    if (length <= 0)
        return true;

    const auto* text = static_cast<const char*> (juce::addBytesToPointer (data, 8));
    const auto size = (size_t) juce::jmin (sizeInBytes - 8, length);

    if (! isWellFormedUtf8 (text, size) || ! holdsOnlyCharacterReferences (text, size))
        return false;

    // A processing instruction after the declaration sends JUCE's XML reader into a loop without
    // end; a saved state has none.
    const std::string_view document (text, size);
    const auto declaration = document.rfind ("<?xml", 0) == 0 ? document.find ("?>") : std::string_view::npos;
    return document.find ("<?", declaration == std::string_view::npos ? 0 : declaration) == std::string_view::npos;
}
} // namespace

void ZelkProcessor::buildStateIndex()
{
    for (auto* p : getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p))
        {
            stateIndex.emplace (ranged->paramID, (int) stateEntries.size());
            stateEntries.push_back ({ ranged, parameters.getRawParameterValue (ranged->paramID) });
        }
}

void ZelkProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::XmlElement state (stateType);

    // Built back to front: prepending is constant time, appending walks the whole list.
    if (const auto element = instrument.savedStateElement(); element.isValid())
        state.prependChildElement (element.createXml().release());

    if (auto output = outputstate::elementFor (outputOptions()))
        state.prependChildElement (output.release());

    for (auto i = stateEntries.rbegin(); i != stateEntries.rend(); ++i)
    {
        auto* child = new juce::XmlElement (paramType);
        child->setAttribute (idAttribute, i->parameter->paramID);
        child->setAttribute (valueAttribute, (double) i->value->load());
        state.prependChildElement (child);
    }

    copyXmlToBinary (state, destData);
}

std::vector<float> ZelkProcessor::valuesFromState (const juce::XmlElement& state) const
{
    // Parameters the state does not name keep their defaults; states from before the loop switch
    // existed looped, so a missing "looping" means on.
    std::vector<float> values;
    values.reserve (stateEntries.size());

    for (const auto& entry : stateEntries)
        values.push_back (entry.parameter->paramID == "looping" ? 1.0f : defaultOf (*entry.parameter));

    for (auto* child : state.getChildWithTagNameIterator (paramType.toString()))
    {
        const auto found = stateIndex.find (child->getStringAttribute (idAttribute));

        if (found != stateIndex.end())
            values[(size_t) found->second] = sanitisedValue (child->getStringAttribute (valueAttribute),
                                                             *stateEntries[(size_t) found->second].parameter);
    }

    return values;
}

void ZelkProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0 || ! holdsWellFormedText (data, sizeInBytes))
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->hasTagName (stateType.toString()))
        return;

    const auto values = valuesFromState (*xml);

    for (size_t i = 0; i < stateEntries.size(); ++i)
    {
        const auto& entry = stateEntries[i];

        // Unchanged parameters are not reported to the host again.
        if (values[i] != entry.value->load())
            entry.parameter->setValueNotifyingHost (entry.parameter->convertTo0to1 (values[i]));
    }

    // Not parameters: a state without them (from before they existed) loads the defaults, and a
    // damaged element loads the defaults too, which the editor's status line reports.
    const auto output = outputstate::fromElement (xml->getChildByName (outputstate::elementType));
    outputOptionsBits = output.options.packed();

    if (output.damaged)
        ++damagedOutputOptionsLoads;

    const auto* element = xml->getChildByName (HostedInstrument::elementType);
    instrument.restoreFromState (element != nullptr ? juce::ValueTree::fromXml (*element) : juce::ValueTree());
    stateReloaded = true;
}

} // namespace zelk
