#include "hosting/PluginInspection.h"

namespace zelk
{
juce::File vst3ModuleBinary (const juce::File& bundle)
{
#if JUCE_WINDOWS
    // JUCE's Windows hosting wants the module inside the bundle, not the bundle folder.
    if (bundle.isDirectory())
        return bundle.getChildFile ("Contents/x86_64-win").getChildFile (bundle.getFileName());
#endif
    return bundle;
}

juce::File vst3ModuleOfChoice (const juce::File& chosen)
{
    // Read from the path alone: a bundle's inner file is a ".vst3" too on Windows. A folder named
    // just ".vst3" (Linux's own plug-in folder) is no bundle.
    const auto isBundle = [] (const juce::File& folder)
    { return folder.hasFileExtension ("vst3") && folder.getFileNameWithoutExtension().isNotEmpty(); };

    for (auto inside = chosen; inside.getParentDirectory() != inside; inside = inside.getParentDirectory())
        if (inside.getFileName().equalsIgnoreCase ("Contents") && isBundle (inside.getParentDirectory()))
            return inside.getParentDirectory();

    return chosen;
}

PluginInspection openVst3Plugin (const juce::File& module, double sampleRate, int blockSize)
{
    PluginInspection result;

    if (! module.exists())
    {
        result.error = module.getFullPathName() + ": no such file or folder";
        return result;
    }

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, vst3ModuleBinary (module).getFullPathName());

    if (found.size() != 1)
    {
        result.error = module.getFullPathName() + ": expected one plug-in, found " + juce::String (found.size());
        return result;
    }

    result.description = *found[0];
    juce::String error;
    result.instance = format.createInstanceFromDescription (result.description, sampleRate, blockSize, error);

    if (result.instance == nullptr)
        result.error = module.getFullPathName() + ": " + (error.isNotEmpty() ? error : "could not be instantiated");

    return result;
}

bool savedComponentState (juce::AudioPluginInstance& instance, juce::MemoryBlock& state)
{
    juce::MemoryBlock hostState;
    instance.getStateInformation (hostState);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    auto* component = xml != nullptr ? xml->getChildByName ("IComponent") : nullptr;

    if (component == nullptr)
        return false;

    state.reset();
    return state.fromBase64Encoding (component->getAllSubText());
}

} // namespace zelk
