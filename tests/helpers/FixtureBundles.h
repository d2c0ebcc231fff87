#pragma once

#include <juce_core/juce_core.h>

namespace zelk::test
{
// A copy of the test instrument's bundle under another name, in a private temporary folder. The
// instrument takes its variant from the name: "Mono", "Six" (5.1 outputs), "Vital" (with the
// "MPE Enabled" and "Pitch Bend Range" parameters) or anything else (stereo).
class FixtureBundle
{
public:
    explicit FixtureBundle (const juce::String& name);
    ~FixtureBundle();

    const juce::File& file() const noexcept { return bundle; }

private:
    juce::File folder, bundle;
};

// The text of the fixture's saved state, taken from a "HostedInstrument" element's "state".
juce::String fixtureStateText (const juce::String& base64State);

// The state a host last gave the fixture, as the fixture reports it.
juce::String restoredStateText (const juce::String& fixtureState);

} // namespace zelk::test
