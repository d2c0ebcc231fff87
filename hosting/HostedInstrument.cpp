#include "hosting/HostedInstrument.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
HostedInstrument::HostedInstrument (ZelkProcessor& ownerToUse) : owner (ownerToUse)
{
    instrumentMidi.ensureSize (262144);
}

HostedInstrument::~HostedInstrument()
{
    cancelPendingUpdate();
    const juce::ScopedLock sl (lock);
    instrumentActive = false;

    if (instance != nullptr)
        instance->releaseResources();

    instance.reset();
}

juce::ValueTree HostedInstrument::savedStateElement()
{
    const juce::ScopedLock sl (lock);

    if (pendingState.isValid())
        return pendingState.createCopy();

    if (instance == nullptr)
        return {};

    juce::MemoryBlock block;
    instance->getStateInformation (block);

    juce::ValueTree element (elementType);
    element.setProperty (pathProperty, path, nullptr);
    element.setProperty (stateProperty, block.toBase64Encoding(), nullptr);
    return element;
}

void HostedInstrument::restoreFromState (const juce::ValueTree& element)
{
    {
        const juce::ScopedLock sl (lock);
        pendingState = element.isValid() ? element.createCopy() : juce::ValueTree();
        instrumentLoading = pendingState.isValid();
    }

    triggerAsyncUpdate();
}

void HostedInstrument::handleAsyncUpdate()
{
    juce::ValueTree pending;

    {
        const juce::ScopedLock sl (lock);
        pending = pendingState;
    }

    // Loading a saved instrument arrives with instrument loading; until then the element
    // stays pending, so that the next save writes it back unchanged.
    if (! pending.isValid())
        unloadInstrument();
}

void HostedInstrument::unloadInstrument()
{
    cancelPendingUpdate();

    const juce::ScopedLock sl (lock);
    instrumentActive = false;

    if (instance != nullptr)
        instance->releaseResources();

    instance.reset();
    path.clear();
    name.clear();
    status.clear();
    pendingState = {};
    instrumentLoading = false;
    owner.setLatencySamples (0);
}

void HostedInstrument::prepare (double newSampleRate, int newBlockSize)
{
    const juce::ScopedLock sl (lock);
    sampleRate = newSampleRate;
    blockSize = std::max (newBlockSize, 32);

    if (scratch.getNumSamples() != blockSize)
        scratch.setSize (2, blockSize);

    instrumentMidi.ensureSize (262144);
    instrumentFlush = true;

    if (instance != nullptr)
    {
        instance->releaseResources();
        instance->setRateAndBufferSizeDetails (sampleRate, blockSize);
        instance->prepareToPlay (sampleRate, blockSize);
    }

    owner.setLatencySamples (instance != nullptr ? instance->getLatencySamples() : 0);
}

void HostedInstrument::release()
{
    const juce::ScopedLock sl (lock);

    if (instance != nullptr)
        instance->releaseResources();
}

void HostedInstrument::process (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) noexcept
{
    if (instrumentLoading.load())
    {
        buffer.clear();
        midi.clear();
        return;
    }

    if (! instrumentActive.load())
        return;

    const juce::ScopedTryLock sl (lock);

    if (! sl.isLocked())
    {
        instrumentFlush = true;
        instrumentResync = true;
        buffer.clear();
        midi.clear();
        return;
    }

    // The instrument's own block processing arrives with instrument loading.
    buffer.clear();
    midi.clear();
}

bool HostedInstrument::hasInstance() const
{
    const juce::ScopedLock sl (lock);
    return instance != nullptr;
}

juce::String HostedInstrument::instrumentName() const
{
    const juce::ScopedLock sl (lock);
    return name;
}

juce::String HostedInstrument::statusText() const
{
    const juce::ScopedLock sl (lock);
    return status;
}

} // namespace zelk
