#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <bitset>
#include <functional>
#include <memory>

namespace zelk
{
class ZelkProcessor;
struct PrivateCopy;

// The VST 3 instrument Zelk may run inside itself, and its part of the saved state. `lock` guards
// what the audio thread uses: the message thread holds it only to swap or remove the instance,
// prepare and release it and make state calls; the audio thread only tries it, and a block that
// finds it busy is silent. The name and status shown in the editor have a lock of their own.
class HostedInstrument : private juce::AsyncUpdater
{
public:
    explicit HostedInstrument (ZelkProcessor& owner);
    ~HostedInstrument() override;

    // Loads a module file, restoring `state` or, when it is empty, applying Vital's MPE set-up.
    // On failure the previous instrument keeps playing and statusText() says why.
    bool loadInstrument (const juce::File& file, const juce::MemoryBlock& state);
    void unloadInstrument();

    // Makes an instance of the only plug-in in a module file, or leaves `error` saying why not.
    // The default scans the module with JUCE's VST 3 format; tests that must never load code from
    // the disk give their own.
    using InstanceFactory = std::function<std::unique_ptr<juce::AudioPluginInstance> (const juce::File& module,
                                                                                       juce::String& error)>;
    void setInstanceFactory (InstanceFactory factory) { instanceFactory = std::move (factory); }

    // Saved state: the pending element of a restored state when there is one, else the loaded
    // instrument's "HostedInstrument" element, else an invalid tree.
    juce::ValueTree savedStateElement();

    // Keeps the element (invalid when the state had none) and loads it later on the message thread.
    void restoreFromState (const juce::ValueTree& element);

    // Shows the instrument's editor in a window of its own (closing it only hides it).
    void showWindow();

    void prepare (double newSampleRate, int newBlockSize);
    void release();

    // Replaces the block's audio with the instrument's, and keeps the block's MIDI from the host.
    void process (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) noexcept;

    bool hasInstance() const;
    juce::String instrumentName() const;
    juce::String statusText() const;
    juce::String instrumentPath() const;
    juce::File privateModule() const;
    bool isWindowVisible() const;

    std::atomic<bool> instrumentActive { false };
    std::atomic<bool> instrumentLoading { false };
    std::atomic<bool> instrumentResync { false };
    std::atomic<bool> instrumentFlush { false };
    std::atomic<bool> instrumentMute { false };
    // Counts the instances put in or taken out, so that another thread can tell whether the
    // instance changed while it looked away, which the flags above cannot show once set back.
    std::atomic<uint32_t> instanceChanges { 0 };

    mutable juce::CriticalSection lock;

    static inline const juce::Identifier elementType { "HostedInstrument" };
    static inline const juce::Identifier pathProperty { "path" };
    static inline const juce::Identifier stateProperty { "state" };

    // The instrument's editor window; its close button hides it.
    class Window : public juce::DocumentWindow
    {
    public:
        Window (const juce::String& title, juce::AudioProcessorEditor* editor);
        void closeButtonPressed() override;
    };

private:
    void handleAsyncUpdate() override;
    bool failToLoad (const juce::String& fileName);
    void setStatus (const juce::String& text);
    void setTexts (const juce::String& newName, const juce::String& newStatus);
    void renderSubBlock (juce::AudioBuffer<float>& buffer, const juce::MidiBuffer& midi, int offset, int length,
                         bool flushFirst) noexcept;
    void addFlushMessages() noexcept;
    void trackSoundingNote (const juce::MidiMessage& message) noexcept;

    ZelkProcessor& owner;
    InstanceFactory instanceFactory;
    std::unique_ptr<PrivateCopy> privateCopy;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::unique_ptr<Window> window;
    juce::AudioBuffer<float> scratch { 2, 512 };
    juce::MidiBuffer instrumentMidi;
    double sampleRate = 48000.0;
    int blockSize = 512;
    juce::String path;
    // Never taken by the audio thread, so painting the INSTRUMENT page costs it nothing.
    mutable juce::CriticalSection textLock;
    juce::String name, status;
    juce::ValueTree pendingState;
    std::bitset<16 * 128> soundingNotes;
    bool muted = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HostedInstrument)
};

} // namespace zelk
