// zelk smoke: loads a built Zelk bundle as a host does and checks what a user of the host would
// rely on. Used on Linux and, under Wine, on the Windows build, where it also exercises the
// platform layer's Windows side.
#include "core/ParameterLayout.h"
#include "core/Platform.h"
#include "hosting/PluginInspection.h"
#include "tools/Checks.h"
#include "tools/Commands.h"
#include "tools/HostTransport.h"

#include <cmath>
#include <iostream>

namespace zelk::cli
{
namespace
{
// The wrapper appends its own "Bypass" to the plug-in's parameters.
juce::Array<juce::AudioProcessorParameter*> ownParameters (juce::AudioPluginInstance& instance)
{
    auto parameters = instance.getParameters();
    parameters.removeFirstMatchingValue (instance.getBypassParameter());
    return parameters;
}

void checkDescription (Checks& checks, const PluginInspection& plugin)
{
    const auto& description = plugin.description;
    checks.equal ("name", description.name, "Zelk");
    checks.equal ("vendor", description.manufacturerName, "Ostrel");
    checks.equal ("version", description.version, "1.9.3");
    checks.equal ("category", description.category, "Instrument|Tools");
    checks.check (description.isInstrument && plugin.instance->acceptsMidi() && plugin.instance->producesMidi(),
                  "an instrument that takes and produces MIDI");

    const auto all = plugin.instance->getParameters().size();
    const auto own = ownParameters (*plugin.instance).size();
    checks.check (own == parameterCount && all == parameterCount + 1, "parameters: " + juce::String (own) +
                                                                          " and the wrapper's Bypass (expected " +
                                                                          juce::String (parameterCount) + ")");
}

// While the transport is stopped and nothing is auditioned, Zelk is silent, and the MIDI it was
// given never comes back out.
void checkProcessing (Checks& checks, juce::AudioPluginInstance& instance)
{
    constexpr int blockSize = 512;
    instance.prepareToPlay (48000.0, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    bool finite = true;
    float peak = 0.0f;
    bool echoed = false;

    for (int block = 0; block < 8; ++block)
    {
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
        midi.addEvent (juce::MidiMessage::noteOff (1, 60), blockSize / 2);
        buffer.clear();
        instance.processBlock (buffer, midi);

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int i = 0; i < blockSize; ++i)
            {
                const auto sample = buffer.getSample (channel, i);
                finite = finite && std::isfinite (sample);
                peak = std::max (peak, std::abs (sample));
            }

        for (const auto event : midi)
            echoed = echoed || (event.getMessage().isNoteOn() && event.getMessage().getChannel() == 1 &&
                                event.getMessage().getNoteNumber() == 60);
    }

    instance.releaseResources();
    checks.check (finite && peak == 0.0f, "8 stopped blocks of 512 stereo samples are silent (peak " +
                                              juce::String (peak) + (finite ? ")" : ", not finite)"));
    checks.check (!echoed, "incoming MIDI is not passed through");
}

// A host playing from bar 1 with one note in slot 1 receives the MPE set-up and then the note on a
// member channel, through the VST 3 event path.
void checkPlayback (Checks& checks, juce::AudioPluginInstance& instance)
{
    HostTransport host;
    host.playing = true;

    for (auto* parameter : ownParameters (instance))
        if (parameter->getName (100) == "Note 1 enabled")
            parameter->setValueNotifyingHost (1.0f);

    constexpr int blockSize = 512;
    instance.setPlayHead (&host);
    instance.prepareToPlay (48000.0, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    std::vector<juce::MidiMessage> received;

    for (int block = 0; block < 4; ++block)
    {
        juce::MidiBuffer midi;
        instance.processBlock (buffer, midi);

        for (const auto event : midi)
            received.push_back (event.getMessage());

        host.ppq += blockSize * 120.0 / 60.0 / 48000.0;
    }

    instance.setPlayHead (nullptr);
    instance.releaseResources();

    const auto noteOn = std::find_if (received.begin(), received.end(), [] (const auto& m) { return m.isNoteOn(); });
    const auto configuration = std::count_if (received.begin(), noteOn, [] (const auto& m)
                                              { return m.isController() && (m.getControllerNumber() == 101 || m.getControllerNumber() == 100 || m.getControllerNumber() == 6); });
    // The zone is announced on the master channel: registered parameter 6 (MPE configuration).
    const auto zone = std::any_of (received.begin(), noteOn, [] (const auto& m)
                                   { return m.isController() && m.getChannel() == 1 && m.getControllerNumber() == 100
                                         && m.getControllerValue() == 6; });

    checks.check (zone && configuration >= 85, "playing: the MPE set-up comes first (" + juce::String ((int) configuration)
                                                   + " registered-parameter messages)");
    checks.check (noteOn != received.end() && noteOn->getNoteNumber() == 60 && noteOn->getChannel() >= 2
                      && noteOn->getTimeStamp() == 0.0,
                  "playing: note 60 starts on a member channel at the first sample");
    checks.check (std::any_of (received.begin(), noteOn, [] (const auto& m) { return m.isPitchWheel(); }),
                  "playing: the note's pitch bend precedes it");
}

// Every parameter goes through the host's save and restore: the state a host keeps with its project.
void checkState (Checks& checks, const juce::File& bundle, juce::AudioPluginInstance& source)
{
    juce::Random random (1993);

    for (auto* parameter : ownParameters (source))
        parameter->setValueNotifyingHost (random.nextFloat());

    juce::MemoryBlock saved;
    source.getStateInformation (saved);

    auto target = openVst3Plugin (bundle);

    if (!checks.check (target.ok(), "a second instance opens" + (target.ok() ? juce::String() : ": " + target.error)))
        return;

    const auto parameters = ownParameters (*target.instance);
    juce::Array<float> defaults;

    for (auto* parameter : parameters)
        defaults.add (parameter->getValue());

    juce::MemoryBlock before;
    target.instance->getStateInformation (before);
    target.instance->setStateInformation (saved.getData(), (int) saved.getSize());

    juce::MemoryBlock restored;
    target.instance->getStateInformation (restored);

    // The host reads the values back from the plug-in after a restore; most random values differ
    // from the defaults, so a restore that did nothing cannot pass.
    int moved = 0;

    for (int i = 0; i < parameters.size(); ++i)
        moved += parameters[i]->getValue() != defaults[i] ? 1 : 0;

    checks.check (saved.getSize() > 0 && saved != before,
                  "state saved: " + juce::String ((int) saved.getSize()) + " bytes, unlike a fresh instance's");
    checks.check (restored == saved, "state restored: the second instance saves the same bytes");
    checks.check (moved > parameters.size() / 2, "state restored: " + juce::String (moved) + " of " +
                                                     juce::String (parameters.size()) +
                                                     " parameters moved from their defaults");
}

void checkPlatformFolders (Checks& checks)
{
    const auto documents = platform::documentsFolder();
    const auto temporary = platform::temporaryFolder();
    const auto vst3 = platform::defaultVst3Folder();

    std::cout << "documents folder: " << documents.getFullPathName() << "\n"
              << "temporary folder: " << temporary.getFullPathName() << "\n"
              << "vst3 folder: " << vst3.getFullPathName() << "\n";

    // A fresh account may not have its documents folder yet; the chooser then opens its parent.
    checks.check (documents.isDirectory() || documents.getParentDirectory().isDirectory(),
                  "the documents folder or its parent exists");

    const auto probe = temporary.getNonexistentChildFile ("zelk-smoke", ".tmp");
    checks.check (probe.replaceWithText ("zelk") && probe.loadFileAsString() == "zelk" && probe.deleteFile(),
                  "the temporary folder is writable");
}
} // namespace

int smoke (const juce::StringArray& args)
{
    if (args.size() != 1)
    {
        printError ("smoke takes one VST 3 bundle (see zelk --help)");
        return 2;
    }

    const auto bundle = juce::File::getCurrentWorkingDirectory().getChildFile (args[0]);
    Checks checks ("smoke");
    checkPlatformFolders (checks);

    auto plugin = openVst3Plugin (bundle);

    if (checks.check (plugin.ok(), plugin.ok() ? "opens " + bundle.getFullPathName() : plugin.error))
    {
        checkDescription (checks, plugin);
        checkProcessing (checks, *plugin.instance);
        checkState (checks, bundle, *plugin.instance);
    }

    if (auto player = openVst3Plugin (bundle); player.ok())
        checkPlayback (checks, *player.instance);

    return checks.finish();
}

} // namespace zelk::cli
