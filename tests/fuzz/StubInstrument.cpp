#include "tests/fuzz/StubInstrument.h"

#include "core/Platform.h"

namespace zelk::fuzz
{
namespace
{
std::shared_ptr<StandInRecord> latest;

// A switch of the stand-in Vital; setting it notes that the MPE set-up was applied.
class StandInParameter : public juce::AudioPluginInstance::HostedParameter
{
public:
    StandInParameter (const juce::String& nameToUse, std::shared_ptr<StandInRecord> recordToKeep)
        : parameterName (nameToUse), record (std::move (recordToKeep))
    {
    }

    juce::String getParameterID() const override { return parameterName.removeCharacters (" "); }
    float getValue() const override { return value; }

    void setValue (float newValue) override
    {
        value = newValue;
        record->vitalDefaultsApplied = record->vitalDefaultsApplied || newValue >= 1.0f;
    }

    float getDefaultValue() const override { return 0.0f; }
    juce::String getName (int maximumLength) const override { return parameterName.substring (0, maximumLength); }
    juce::String getLabel() const override { return {}; }
    float getValueForText (const juce::String& text) const override { return text.getFloatValue(); }

private:
    const juce::String parameterName;
    std::shared_ptr<StandInRecord> record;
    float value = 0.0f;
};

class StandIn : public juce::AudioPluginInstance
{
public:
    StandIn (const juce::String& moduleName, std::shared_ptr<StandInRecord> recordToKeep)
        : juce::AudioPluginInstance (BusesProperties().withOutput ("Output", outputsFor (moduleName), true)),
          instanceName (moduleName.contains ("Vital") ? "Vital Stand-in" : "Stand-in " + moduleName),
          record (std::move (recordToKeep))
    {
        if (moduleName.contains ("Vital"))
            for (const auto* parameterName : { "MPE Enabled", "Pitch Bend Range" })
                addHostedParameter (std::make_unique<StandInParameter> (parameterName, record));
    }

    static juce::AudioChannelSet outputsFor (const juce::String& moduleName)
    {
        if (moduleName.contains ("Mono"))
            return juce::AudioChannelSet::mono();

        if (moduleName.contains ("Six"))
            return juce::AudioChannelSet::create5point1();

        return juce::AudioChannelSet::stereo();
    }

    void fillInPluginDescription (juce::PluginDescription& description) const override
    {
        description.name = instanceName;
        description.pluginFormatName = "Stand-in";
        description.isInstrument = true;
    }

    const juce::String getName() const override { return instanceName; }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    using juce::AudioPluginInstance::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) override { buffer.clear(); }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    bool isBusesLayoutSupported (const BusesLayout&) const override { return true; }

    // Not an assignment: JUCE's copies an empty block with a null pointer, which UBSan reports.
    void getStateInformation (juce::MemoryBlock& destData) override
    {
        destData.reset();
        destData.append (record->state.getData(), record->state.getSize());
    }

    void setStateInformation (const void* data, int size) override
    {
        record->stateGiven = true;
        record->state = juce::MemoryBlock (data, (size_t) juce::jmax (size, 0));
    }

private:
    const juce::String instanceName;
    std::shared_ptr<StandInRecord> record;
};
} // namespace

juce::File standInFolder()
{
    static const auto folder = []
    {
        const auto made = platform::temporaryFolder().getChildFile ("zelk-fuzz-instruments");

        // Test processes running side by side share this folder: each makes whatever is still missing.
        made.createDirectory();

        for (const auto* name : { "Vital.vst3", "Stereo.vst3", "Mono.vst3", "Six.vst3" })
            if (! made.getChildFile (name).existsAsFile())
                made.getChildFile (name).replaceWithText ("stand-in module\n");

        made.getChildFile ("Vital Bundle.vst3").createDirectory();
        return made;
    }();

    return folder;
}

HostedInstrument::InstanceFactory standInFactory()
{
    return [] (const juce::File& module, juce::String& error) -> std::unique_ptr<juce::AudioPluginInstance>
    {
        if (! module.exists() || ! module.isAChildOf (platform::temporaryFolder()) || ! module.hasFileExtension ("vst3"))
        {
            error = "no stand-in for " + module.getFileName();
            return {};
        }

        latest = std::make_shared<StandInRecord>();
        latest->created = true;
        return std::make_unique<StandIn> (module.getFileNameWithoutExtension(), latest);
    };
}

StandInRecord latestStandIn()
{
    return latest != nullptr ? *latest : StandInRecord();
}

void forgetStandIns()
{
    latest.reset();
}

} // namespace zelk::fuzz
