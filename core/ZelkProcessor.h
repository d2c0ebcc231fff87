#pragma once

#include "core/Note.h"
#include "core/OutputOptions.h"
#include "core/ParameterPointers.h"
#include "core/PatternChanges.h"
#include "engine/LiveCapture.h"
#include "engine/PlaybackEngine.h"
#include "hosting/HostedInstrument.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zelk
{
struct CaptureBeforeClose;

// The plug-in's audio processor. The parameter tree is the single store of the pattern and of
// every setting; the editor and the audio thread otherwise meet only in the atomic fields below.
class ZelkProcessor : public juce::AudioProcessor
{
public:
    ZelkProcessor();
    ~ZelkProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layout) const override;

    // The pattern. readNote takes no lock and allocates nothing: the audio thread calls it.
    Note readNote (int slot) const noexcept;
    // Only the slot's "on" switch: a slot that is off is nothing else to the engine.
    bool isNoteOn (int slot) const noexcept;
    // Grows after every change of a note's value; read it before reading the notes.
    uint32_t patternChangeCount() const noexcept { return patternChanges.count(); }
    void writeNote (int slot, const Note& note);
    void setParameterValue (const juce::String& identifier, float value);
    void clearPattern();
    static double curveAt (const Note& note, int curve, double x) noexcept;
    static double pitchAt (const Note& note, const Note* next, double t, double bendDepth) noexcept;

    // Where the internal clock starts; also seeks a playing pattern once.
    void setPlaybackPosition (double beats);

    // The loop region in beats; callable from any thread.
    double loopStart() const noexcept;
    double loopLength() const noexcept;

    // How the MPE stream is laid out: settings outside the parameters and the undo history. A
    // change tells the host that the project changed; playback takes it at its next start or reset.
    OutputOptions outputOptions() const noexcept { return OutputOptions::unpacked (outputOptionsBits.load()); }
    void setOutputOptions (const OutputOptions& options);

    juce::AudioProcessorValueTreeState& parameterTree() noexcept { return parameters; }
    const ParameterPointers& raw() const noexcept { return pointers; }
    HostedInstrument& hostedInstrument() noexcept { return instrument; }
    const PlaybackEngine& playbackEngine() const noexcept { return engine; }
    // The incoming MIDI that CAPTURE keeps while it is armed.
    LiveCapture& liveCapture() noexcept { return capture; }
    // Message thread: the undo step a window closed in the middle of a capture leaves for the next.
    std::unique_ptr<CaptureBeforeClose> captureBeforeClose;

    // Requests from the editor, each consumed once by the audio thread.
    std::atomic<bool> playRequested { false };
    std::atomic<bool> stopRequested { false };
    std::atomic<double> startPosition { 0.0 };
    std::atomic<double> seekRequest { -1.0 };
    std::atomic<bool> hearRequested { false };
    std::atomic<float> hearPitch { 60.0f };
    std::atomic<float> hearPressure { 0.5f };
    std::atomic<float> hearTimbre { 0.5f };
    std::atomic<bool> stateReloaded { false };
    // Counts the loaded states whose output options were damaged and replaced by the defaults.
    std::atomic<uint32_t> damagedOutputOptionsLoads { 0 };

    // Published by the audio thread at the end of every block.
    std::atomic<double> publishedTempo { 120.0 };
    std::atomic<double> displayPosition { 0.0 };
    std::atomic<bool> isPlaying { false };
    std::atomic<int32_t> activeVoiceCount { 0 };
    std::array<std::atomic<float>, destinationCount> liveValue {};
    std::array<std::atomic<float>, lfoCount> lfoOutput {};
    std::array<std::atomic<float>, lfoCount> lfoPhase {};
    std::array<std::atomic<float>, slotCount> soundingPitch {};

    static constexpr float silentPitch = -1000.0f;
    static inline const juce::Identifier stateType { "TamselState" };

private:
    void resetPlaybackState() noexcept;
    void setNoteField (int slot, int fieldNumber, float value);
    static void setWithGesture (juce::RangedAudioParameter& parameter, float value);
    void buildStateIndex();
    std::vector<float> valuesFromState (const juce::XmlElement& state) const;

    // Before the tree, so that it outlives the tree's lists of listeners.
    PatternChanges patternChanges;
    juce::AudioProcessorValueTreeState parameters;
    ParameterPointers pointers;
    std::array<std::array<juce::RangedAudioParameter*, fieldsPerSlot>, slotCount> noteParameters {};

    // Every parameter in host order, and where each identifier sits in that order, so that saving
    // and loading a state never searches the parameter tree by name.
    struct StateEntry
    {
        juce::RangedAudioParameter* parameter;
        std::atomic<float>* value;
    };
    std::vector<StateEntry> stateEntries;
    std::unordered_map<juce::String, int> stateIndex;
    HostedInstrument instrument;
    PlaybackEngine engine;
    LiveCapture capture;

    std::atomic<uint32_t> outputOptionsBits { OutputOptions {}.packed() };

    juce::MidiBuffer engineMidi;
    bool handEngineMidiToHost = false;
    double currentSampleRate = 48000.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZelkProcessor)
};

} // namespace zelk
