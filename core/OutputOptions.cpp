#include "core/OutputOptions.h"

#include <algorithm>

namespace zelk
{
bool OutputOptions::operator== (const OutputOptions& other) const noexcept
{
    return bendRange == other.bendRange && memberChannels == other.memberChannels && zone == other.zone
        && configurationMessage == other.configurationMessage && pressure == other.pressure;
}

OutputOptions OutputOptions::limited() const noexcept
{
    auto o = *this;
    o.bendRange = std::clamp (bendRange, minBendRange, maxBendRange);
    o.memberChannels = std::clamp (memberChannels, 1, maxMemberChannels);
    return o;
}

uint32_t OutputOptions::packed() const noexcept
{
    const auto o = limited();
    return (uint32_t) o.bendRange | ((uint32_t) o.memberChannels << 7) | ((uint32_t) o.upper() << 11)
         | ((uint32_t) o.configurationMessage << 12) | ((uint32_t) o.polyPressure() << 13);
}

OutputOptions OutputOptions::unpacked (uint32_t bits) noexcept
{
    OutputOptions o;
    o.bendRange = (int) (bits & 0x7f);
    o.memberChannels = (int) ((bits >> 7) & 0xf);
    o.zone = (bits >> 11) & 1 ? Zone::upper : Zone::lower;
    o.configurationMessage = ((bits >> 12) & 1) != 0;
    o.pressure = (bits >> 13) & 1 ? Pressure::polyAftertouch : Pressure::channelPressure;
    return o.limited();
}

namespace outputstate
{
namespace
{
const juce::Identifier bendRangeAttribute { "bendRange" };
const juce::Identifier channelsAttribute { "memberChannels" };
const juce::Identifier zoneAttribute { "zone" };
const juce::Identifier configurationAttribute { "configuration" };
const juce::Identifier pressureAttribute { "pressure" };

// A whole number written as such: "24", not "24.5", "2e1" or "24 semitones".
bool readWholeNumber (const juce::XmlElement& element, const juce::Identifier& name, int lo, int hi, int& value)
{
    if (! element.hasAttribute (name.toString()))
        return true;

    const auto text = element.getStringAttribute (name).trim();

    if (text.isEmpty() || text.length() > 3 || ! text.containsOnly ("0123456789"))
        return false;

    value = text.getIntValue();
    return value >= lo && value <= hi;
}

// One of two words; anything else is damage.
template <typename Choice>
bool readChoice (const juce::XmlElement& element, const juce::Identifier& name, const char* first, Choice firstValue,
                 const char* second, Choice secondValue, Choice& value)
{
    if (! element.hasAttribute (name.toString()))
        return true;

    const auto text = element.getStringAttribute (name);

    if (text == first)
        value = firstValue;
    else if (text == second)
        value = secondValue;
    else
        return false;

    return true;
}
} // namespace

std::unique_ptr<juce::XmlElement> elementFor (const OutputOptions& options)
{
    const auto o = options.limited();

    if (o.isDefault())
        return {};

    auto element = std::make_unique<juce::XmlElement> (elementType);
    element->setAttribute (bendRangeAttribute, o.bendRange);
    element->setAttribute (channelsAttribute, o.memberChannels);
    element->setAttribute (zoneAttribute, o.upper() ? "upper" : "lower");
    element->setAttribute (configurationAttribute, o.configurationMessage ? "sent" : "omitted");
    element->setAttribute (pressureAttribute, o.polyPressure() ? "polyAftertouch" : "channelPressure");
    return element;
}

Read fromElement (const juce::XmlElement* element)
{
    Read read;

    if (element == nullptr)
        return read;

    OutputOptions o;
    using Zone = OutputOptions::Zone;
    using Pressure = OutputOptions::Pressure;

    const auto ok = readWholeNumber (*element, bendRangeAttribute, OutputOptions::minBendRange, OutputOptions::maxBendRange, o.bendRange)
                 && readWholeNumber (*element, channelsAttribute, 1, OutputOptions::maxMemberChannels, o.memberChannels)
                 && readChoice (*element, zoneAttribute, "lower", Zone::lower, "upper", Zone::upper, o.zone)
                 && readChoice (*element, configurationAttribute, "sent", true, "omitted", false, o.configurationMessage)
                 && readChoice (*element, pressureAttribute, "channelPressure", Pressure::channelPressure,
                                "polyAftertouch", Pressure::polyAftertouch, o.pressure);

    // Half of a damaged element is not trusted: all of it falls back to the defaults.
    if (ok)
        read.options = o;

    read.damaged = ! ok;
    return read;
}
} // namespace outputstate

juce::String describeOutputOptions (const OutputOptions& options)
{
    const auto o = options.limited();
    return "bend range " + juce::String (o.bendRange) + ", " + juce::String (o.memberChannels)
         + (o.memberChannels == 1 ? " member channel, " : " member channels, ") + (o.upper() ? "upper" : "lower")
         + " zone, configuration " + (o.configurationMessage ? "sent" : "omitted") + ", "
         + (o.polyPressure() ? "polyphonic aftertouch" : "channel pressure");
}

} // namespace zelk
