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

    // The module inside a bundle: the shared library or, on Windows, the DLL named like the bundle.
    static juce::File moduleBinary (const juce::File& bundle);

private:
    juce::File folder, bundle;
};

// The test instrument's module taken out of its bundle as one file, as Windows installs Vital, in a
// private temporary folder.
class FixtureModuleFile
{
public:
    explicit FixtureModuleFile (const juce::String& fileName);
    ~FixtureModuleFile();

    const juce::File& file() const noexcept { return module; }

private:
    juce::File folder, module;
};

// The text of the fixture's saved state, taken from a "HostedInstrument" element's "state".
juce::String fixtureStateText (const juce::String& base64State);

// The state a host last gave the fixture, as the fixture reports it.
juce::String restoredStateText (const juce::String& fixtureState);

} // namespace zelk::test
