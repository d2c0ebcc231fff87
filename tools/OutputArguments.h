#pragma once

#include "core/OutputOptions.h"

#include <juce_core/juce_core.h>

#include <optional>

namespace zelk::cli
{
// The output options a command line sets: --bend-range N, --channels N, --zone lower|upper,
// --no-configuration and --poly-pressure. Those not given keep what the input file says.
struct OutputArguments
{
    std::optional<int> bendRange, memberChannels;
    std::optional<OutputOptions::Zone> zone;
    bool noConfiguration = false, polyPressure = false;

    // Takes the options out of args; returns why one is wrong, or an empty string.
    juce::String take (juce::StringArray& args);

    OutputOptions appliedTo (OutputOptions options) const;
};

} // namespace zelk::cli
