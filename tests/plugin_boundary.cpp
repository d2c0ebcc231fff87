// The plug-in as a host sees it: the built VST 3 bundle loaded through JUCE's VST 3 hosting.
#include "core/ParameterLayout.h"
#include "hosting/PluginInspection.h"

#include <gtest/gtest.h>

using namespace zelk;

namespace
{
PluginInspection openBuiltBundle()
{
    return openVst3Plugin (juce::File (ZELK_VST3_BUNDLE));
}

// The VST 3 wrapper always appends its own "Bypass" parameter, because VST 3 hosts expect one.
juce::Array<juce::AudioProcessorParameter*> ownParameters (juce::AudioPluginInstance& instance)
{
    auto parameters = instance.getParameters();
    parameters.removeFirstMatchingValue (instance.getBypassParameter());
    return parameters;
}

std::map<juce::String, double> savedValues (juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock state;
    instance.getStateInformation (state);
    std::map<juce::String, double> values;

    // JUCE's host keeps the component's VST 3 stream, which holds the plug-in's own state block.
    const auto host = juce::AudioProcessor::getXmlFromBinary (state.getData(), (int) state.getSize());

    if (host == nullptr || host->getChildByName ("IComponent") == nullptr)
        return values;

    juce::MemoryBlock component;
    component.fromBase64Encoding (host->getChildByName ("IComponent")->getAllSubText());
    const std::string bytes (static_cast<const char*> (component.getData()), component.getSize());
    const auto start = bytes.find ("<TamselState");
    const auto end = bytes.find ("</TamselState>");

    if (start == std::string::npos || end == std::string::npos)
        return values;

    const auto xml = juce::parseXML (juce::String::fromUTF8 (bytes.data() + start, (int) (end + 14 - start)));

    if (xml != nullptr)
        for (auto* child : xml->getChildIterator())
            values[child->getStringAttribute ("id")] = child->getDoubleAttribute ("value");

    return values;
}
} // namespace

TEST (PluginBoundary, AHostSeesZelkWithItsParameters)
{
    auto plugin = openBuiltBundle();
    ASSERT_TRUE (plugin.ok()) << plugin.error;

    EXPECT_EQ (plugin.description.name, "Zelk");
    EXPECT_EQ (plugin.description.manufacturerName, "Ostrel");
    EXPECT_EQ (plugin.description.version, "1.9.3");
    EXPECT_EQ (plugin.description.category, "Instrument|Tools");
    EXPECT_TRUE (plugin.description.isInstrument);

    const auto parameters = ownParameters (*plugin.instance);
    ASSERT_EQ (parameters.size(), parameterCount);
    EXPECT_EQ (parameters.getFirst()->getName (100), "Bend depth");
    EXPECT_EQ (parameters.getLast()->getName (100), "Note 128 timbre curve 33");
    ASSERT_NE (plugin.instance->getBypassParameter(), nullptr);
    EXPECT_EQ (plugin.instance->getParameters().size(), parameterCount + 1);
    EXPECT_TRUE (plugin.instance->acceptsMidi());
    EXPECT_TRUE (plugin.instance->producesMidi());
}

TEST (PluginBoundary, StateSavedThroughTheHostRestoresEveryParameter)
{
    auto source = openBuiltBundle();
    ASSERT_TRUE (source.ok()) << source.error;

    juce::Random random (42);

    for (auto* p : ownParameters (*source.instance))
        p->setValueNotifyingHost (random.nextFloat());

    const auto saved = savedValues (*source.instance);
    ASSERT_EQ ((int) saved.size(), parameterCount);

    // The values the host set really reached the plug-in's state.
    auto fresh = openBuiltBundle();
    const auto defaults = savedValues (*fresh.instance);
    int changed = 0;

    for (const auto& [id, value] : saved)
        changed += value != defaults.at (id) ? 1 : 0;

    EXPECT_GT (changed, parameterCount * 9 / 10);

    juce::MemoryBlock state;
    source.instance->getStateInformation (state);

    auto target = openBuiltBundle();
    ASSERT_TRUE (target.ok()) << target.error;
    target.instance->setStateInformation (state.getData(), (int) state.getSize());

    EXPECT_EQ (savedValues (*target.instance), saved);

    // What the host reads back through the parameters agrees with the restored state.
    const auto restored = ownParameters (*target.instance);
    auto* bend = restored.getFirst();
    EXPECT_NEAR (bend->getValue(), saved.at ("bend") / 48.0, 1.0e-6);
}

TEST (PluginBoundary, AcceptsMonoAndStereoAndRefusesFourChannels)
{
    auto plugin = openBuiltBundle();
    ASSERT_TRUE (plugin.ok()) << plugin.error;
    auto& instance = *plugin.instance;

    EXPECT_EQ (instance.getTotalNumOutputChannels(), 2);
    EXPECT_EQ (instance.getTotalNumInputChannels(), 0);

    auto layout = instance.getBusesLayout();
    ASSERT_EQ (layout.outputBuses.size(), 1);

    layout.outputBuses.getReference (0) = juce::AudioChannelSet::mono();
    EXPECT_TRUE (instance.setBusesLayout (layout));
    EXPECT_EQ (instance.getTotalNumOutputChannels(), 1);

    layout.outputBuses.getReference (0) = juce::AudioChannelSet::discreteChannels (4);
    EXPECT_FALSE (instance.setBusesLayout (layout));

    layout.outputBuses.getReference (0) = juce::AudioChannelSet::stereo();
    EXPECT_TRUE (instance.setBusesLayout (layout));
    EXPECT_EQ (instance.getTotalNumOutputChannels(), 2);

    instance.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    instance.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getMagnitude (0, 512), 0.0f);
    instance.releaseResources();
}
