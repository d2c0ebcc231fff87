#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace zelk
{
// What a VST 3 host sees of a plug-in module: its description and a live instance.
struct PluginInspection
{
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    juce::String error;

    bool ok() const noexcept { return instance != nullptr; }
};

// Scans a VST 3 module (a bundle folder or a single file) and creates an instance of its only
// plug-in. On failure `error` says why in one line.
PluginInspection openVst3Plugin (const juce::File& module, double sampleRate = 48000.0, int blockSize = 512);

// The plug-in's own state block, out of the state JUCE's VST 3 host saves for an instance, which
// keeps the component's stream in Base64; false when that holds none.
bool savedComponentState (juce::AudioPluginInstance& instance, juce::MemoryBlock& state);

// The bundle layout hosts expect inside a .vst3 folder on this platform.
juce::File vst3ModuleBinary (const juce::File& bundle);

// The module a path chosen in the instrument chooser names: a bundle folder, or anything inside
// one (its binary in Contents/x86_64-win or Contents/x86_64-linux, say), is that bundle; anything
// else, a single-file module among them, is itself.
juce::File vst3ModuleOfChoice (const juce::File& chosen);

} // namespace zelk
