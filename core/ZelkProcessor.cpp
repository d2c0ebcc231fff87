#include "core/ZelkProcessor.h"

#include "core/NoteFields.h"
#include "core/ParameterLayout.h"
#include "engine/LoopRegion.h"
#include "ui/editor/ZelkEditor.h"

namespace zelk
{
ZelkProcessor::ZelkProcessor()
    : juce::AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameters (*this, nullptr, stateType, createParameterLayout()),
      instrument (*this)
{
    buildStateIndex();

    const auto entryOf = [this] (const juce::String& identifier) -> const StateEntry*
    {
        const auto found = stateIndex.find (identifier);
        return found != stateIndex.end() ? &stateEntries[(size_t) found->second] : nullptr;
    };

    pointers = ParameterPointers::bind ([&entryOf] (const juce::String& identifier)
    {
        const auto* entry = entryOf (identifier);
        return entry != nullptr ? entry->value : nullptr;
    });

    for (int slot = 0; slot < slotCount; ++slot)
        for (int f = 0; f < fieldsPerSlot; ++f)
        {
            const auto identifier = noteParameterId (slot, f);
            noteParameters[(size_t) slot][(size_t) f] = entryOf (identifier)->parameter;
            patternChanges.watch (parameters, identifier);
        }

    for (int d = 0; d < destinationCount; ++d)
        liveValue[(size_t) d] = pointers.destinations[(size_t) d]->load();

    for (auto& pitch : soundingPitch)
        pitch = silentPitch;
}

ZelkProcessor::~ZelkProcessor()
{
    engineMidi.clear();
}

const juce::String ZelkProcessor::getName() const { return "Zelk"; }

void ZelkProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    // Reserved here so that adding events on the audio thread never allocates; handed to the
    // host's buffer at the start of the next block.
    engineMidi.ensureSize ((size_t) std::max (8 * maximumExpectedSamplesPerBlock + 4096, 262144));
    handEngineMidiToHost = true;
    currentSampleRate = sampleRate;

    resetPlaybackState();
    capture.prepare (maximumExpectedSamplesPerBlock);
    engine.prepare (sampleRate, makeSnapshot (pointers), outputOptions());
    instrument.prepare (sampleRate, maximumExpectedSamplesPerBlock);
}

void ZelkProcessor::resetPlaybackState() noexcept
{
    hearRequested = false;

    for (auto& pitch : soundingPitch)
        pitch = silentPitch;
}

void ZelkProcessor::releaseResources()
{
    instrument.release();
}

void ZelkProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;
    // Kept, when CAPTURE is armed, before the input is discarded as always.
    capture.stage (midi);

    if (handEngineMidiToHost)
    {
        midi.swapWith (engineMidi);
        handEngineMidiToHost = false;
    }

    buffer.clear();
    midi.clear();
    engine.renderBlock (*this, buffer, midi);
    capture.commit (engine.lastClock(), buffer.getNumSamples());
}

double ZelkProcessor::getTailLengthSeconds() const { return 0.1; }
bool ZelkProcessor::acceptsMidi() const { return true; }
bool ZelkProcessor::producesMidi() const { return true; }

juce::AudioProcessorEditor* ZelkProcessor::createEditor() { return new ZelkEditor (*this); }
bool ZelkProcessor::hasEditor() const { return true; }

int ZelkProcessor::getNumPrograms() { return 1; }
int ZelkProcessor::getCurrentProgram() { return 0; }
void ZelkProcessor::setCurrentProgram (int) {}
const juce::String ZelkProcessor::getProgramName (int) { return {}; }
void ZelkProcessor::changeProgramName (int, const juce::String&) {}

bool ZelkProcessor::isBusesLayoutSupported (const BusesLayout& layout) const
{
    if (! layout.inputBuses.isEmpty() && ! layout.getMainInputChannelSet().isDisabled())
        return false;

    const auto output = layout.getMainOutputChannelSet();
    return output == juce::AudioChannelSet::mono() || output == juce::AudioChannelSet::stereo();
}

void ZelkProcessor::setPlaybackPosition (double beats)
{
    const auto position = std::isfinite (beats) ? std::clamp (beats, 0.0, timelineEnd) : 0.0;
    startPosition = position;
    seekRequest = position;
}

void ZelkProcessor::setOutputOptions (const OutputOptions& options)
{
    const auto bits = options.packed();

    if (outputOptionsBits.exchange (bits) != bits)
        updateHostDisplay (ChangeDetails().withNonParameterStateChanged (true));
}

double ZelkProcessor::loopStart() const noexcept { return zelk::loopStart (pointers); }
double ZelkProcessor::loopLength() const noexcept { return zelk::loopLength (pointers); }

} // namespace zelk

// The plug-in module's factory.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new zelk::ZelkProcessor();
}
