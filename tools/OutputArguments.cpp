#include "tools/OutputArguments.h"

namespace zelk::cli
{
namespace
{
// A whole number within lo..hi, written as digits only.
std::optional<int> wholeNumber (const juce::String& text, int lo, int hi)
{
    if (text.isEmpty() || text.length() > 3 || ! text.containsOnly ("0123456789"))
        return {};

    const auto value = text.getIntValue();
    return value >= lo && value <= hi ? std::optional<int> (value) : std::nullopt;
}
} // namespace

juce::String OutputArguments::take (juce::StringArray& args)
{
    juce::StringArray rest;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto hasValue = i + 1 < args.size();
        const auto value = hasValue ? args[i + 1] : juce::String();

        if (arg == "--bend-range" || arg == "--channels")
        {
            const auto bend = arg == "--bend-range";
            const auto number = wholeNumber (value, 1, bend ? OutputOptions::maxBendRange : OutputOptions::maxMemberChannels);

            if (! number)
                return arg + " takes a whole number from 1 to " + juce::String (bend ? OutputOptions::maxBendRange : OutputOptions::maxMemberChannels)
                     + (hasValue ? ", not '" + value + "'" : juce::String());

            (bend ? bendRange : memberChannels) = number;
            ++i;
        }
        else if (arg == "--zone")
        {
            if (value != "lower" && value != "upper")
                return "--zone takes lower or upper" + (hasValue ? ", not '" + value + "'" : juce::String());

            zone = value == "upper" ? OutputOptions::Zone::upper : OutputOptions::Zone::lower;
            ++i;
        }
        else if (arg == "--no-configuration")
            noConfiguration = true;
        else if (arg == "--poly-pressure")
            polyPressure = true;
        else
            rest.add (arg);
    }

    args = rest;
    return {};
}

OutputOptions OutputArguments::appliedTo (OutputOptions options) const
{
    if (bendRange)
        options.bendRange = *bendRange;

    if (memberChannels)
        options.memberChannels = *memberChannels;

    if (zone)
        options.zone = *zone;

    if (noConfiguration)
        options.configurationMessage = false;

    if (polyPressure)
        options.pressure = OutputOptions::Pressure::polyAftertouch;

    return options;
}

} // namespace zelk::cli
