#include "hosting/HostedInstrument.h"

#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "hosting/PluginInspection.h"
#include "hosting/PrivateCopies.h"

namespace zelk
{
namespace
{
constexpr int reservedMidiBytes = 262144;

// Zelk never hosts itself, under any of its names.
bool isThisProduct (const juce::String& pluginName)
{
    return pluginName == "Zelk" || pluginName == "Zelk FL" || pluginName == "Tamsel" || pluginName == "Tamsel FL";
}

bool isSingleFileVital (const juce::File& file)
{
    return file.existsAsFile() && file.hasFileExtension ("vst3")
        && file.getFileNameWithoutExtension().equalsIgnoreCase ("Vital");
}

void applyVitalDefaults (juce::AudioPluginInstance& instance)
{
    for (auto* parameter : instance.getParameters())
    {
        const auto parameterName = parameter->getName (100);

        if (parameterName == "MPE Enabled" || parameterName == "Pitch Bend Range")
            parameter->setValueNotifyingHost (1.0f);
    }
}

// The only plug-in of a VST 3 module, unless it is this product.
std::unique_ptr<juce::AudioPluginInstance> openModule (const juce::File& module, juce::String& error)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;

    if (module.exists())
        format.findAllTypesForFile (found, vst3ModuleBinary (module).getFullPathName());

    if (found.size() != 1 || isThisProduct (found[0]->name))
        return {};

    return format.createInstanceFromDescription (*found[0], 48000.0, 512, error);
}

// The memory block's base-64 text: its size in decimal, a ".", then six bits to a character.
// JUCE's decoder allocates whatever size the text names, so a damaged or hand-edited size could
// ask for more memory than there is (a negative one wraps round to that); such a text is refused.
// An empty text is an empty state.
bool decodeSavedState (const juce::String& text, juce::MemoryBlock& block)
{
    block.reset();

    if (text.isEmpty())
        return true;

    const auto dot = text.indexOfChar ('.');
    const auto size = text.substring (0, juce::jmax (dot, 0));

    if (dot <= 0 || size.length() > 10 || ! size.containsOnly ("0123456789"))
        return false;

    const auto bytes = size.getLargeIntValue();
    const auto characters = (juce::int64) (text.length() - dot - 1);

    if (bytes > characters * 3 / 4 || bytes > std::numeric_limits<int>::max())
        return false;

    return block.fromBase64Encoding (text);
}

// Keeps the main input and output buses only; returns false when they carry more than stereo.
bool limitToMainBuses (juce::AudioPluginInstance& instance)
{
    instance.enableAllBuses();

    for (const auto isInput : { true, false })
        for (int i = instance.getBusCount (isInput); --i >= 1;)
            if (auto* bus = instance.getBus (isInput, i))
                bus->enable (false);

    return instance.getTotalNumInputChannels() <= 2 && instance.getTotalNumOutputChannels() <= 2;
}
// JUCE's VST 3 hosting takes its message-manager lock inside an instance's state, prepare and
// release calls. Off the message thread, whenever there is an instance, that lock is taken here
// before ours, so that the order is always that lock and then ours, as on the message thread:
// the other order deadlocks against a message thread that is waiting for ours.
template <typename Use>
auto underLockWithInstance (juce::CriticalSection& lock, const std::unique_ptr<juce::AudioPluginInstance>& instance,
                            Use&& use)
{
    const auto onMessageThread = juce::MessageManager::existsAndIsCurrentThread();

    for (auto withMessageManager = onMessageThread;; withMessageManager = true)
    {
        std::unique_ptr<juce::MessageManagerLock> messageManager;

        if (withMessageManager && ! onMessageThread)
            messageManager = std::make_unique<juce::MessageManagerLock>();

        const juce::ScopedLock sl (lock);

        if (instance == nullptr || withMessageManager)
            return use();
    }
}

} // namespace

HostedInstrument::Window::Window (const juce::String& title, juce::AudioProcessorEditor* editor)
    : juce::DocumentWindow (title, juce::Colour (0xff555555), juce::DocumentWindow::closeButton)
{
    setUsingNativeTitleBar (true);
    setContentOwned (editor, true);
    setResizable (true, false);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

void HostedInstrument::Window::closeButtonPressed()
{
    setVisible (false);
}

HostedInstrument::HostedInstrument (ZelkProcessor& ownerToUse) : owner (ownerToUse)
{
    instrumentMidi.ensureSize (reservedMidiBytes);
    prepareLeftoverPrivateCopies();
}

HostedInstrument::~HostedInstrument()
{
    cancelPendingUpdate();
    window.reset();

    const juce::ScopedLock sl (lock);
    instrumentActive = false;

    if (instance != nullptr)
        instance->releaseResources();

    instance.reset();
    deletePrivateCopy (privateCopy);
}

bool HostedInstrument::loadInstrument (const juce::File& file, const juce::MemoryBlock& state)
{
    std::unique_ptr<PrivateCopy> copy;
    auto module = file;

    if (isSingleFileVital (file))
    {
        auto ok = false;
        copy = makePrivateVitalCopy (file, ok);

        if (! ok)
        {
            setStatus ("Load failed: could not create private Vital module in temporary folder");
            deletePrivateCopy (copy);
            return false;
        }

        module = copy->module;
    }

    std::unique_ptr<juce::AudioPluginInstance> loaded;

    const auto fail = [&] (const juce::String& message)
    {
        setStatus (message);
        // The instance holds its module open: it goes before the copy it was loaded from.
        loaded.reset();
        deletePrivateCopy (copy);
        return false;
    };

    juce::String error;
    loaded = instanceFactory != nullptr ? instanceFactory (module, error) : openModule (module, error);

    if (loaded == nullptr)
        return fail ("Load failed: " + (error.isNotEmpty() ? error : file.getFileName()));

    if (! limitToMainBuses (*loaded))
        return fail ("Only mono/stereo instruments are supported");

    if (state.getSize() > 0)
        loaded->setStateInformation (state.getData(), (int) state.getSize());
    else if (loaded->getName().contains ("Vital"))
        applyVitalDefaults (*loaded);

    window.reset();

    std::unique_ptr<juce::AudioPluginInstance> previous;
    std::unique_ptr<PrivateCopy> previousCopy;
    {
        const juce::ScopedLock sl (lock);
        instrumentActive = false;

        if (instance != nullptr)
            instance->releaseResources();

        previous = std::exchange (instance, std::move (loaded));
        ++instanceChanges;
        previousCopy = std::exchange (privateCopy, std::move (copy));
        previous.reset();
        deletePrivateCopy (previousCopy);

        instance->setRateAndBufferSizeDetails (sampleRate, blockSize);
        instance->prepareToPlay (sampleRate, blockSize);
        soundingNotes.reset();
        muted = false;
        instrumentFlush = true;
        path = file.getFullPathName();
        pendingState = {};
        instrumentActive = true;
        instrumentLoading = false;
        instrumentResync = true;
        owner.setLatencySamples (instance->getLatencySamples());
    }

    setTexts (instance->getName(), {});
    return true;
}

void HostedInstrument::unloadInstrument()
{
    cancelPendingUpdate();
    window.reset();

    const juce::ScopedLock sl (lock);
    instrumentActive = false;

    if (instance != nullptr)
        instance->releaseResources();

    instanceChanges += instance != nullptr ? 1u : 0u;
    instance.reset();
    deletePrivateCopy (privateCopy);
    privateCopy.reset();
    path.clear();
    pendingState = {};
    instrumentLoading = false;
    owner.setLatencySamples (0);
    setTexts ({}, {});
}

juce::ValueTree HostedInstrument::savedStateElement()
{
    return underLockWithInstance (lock, instance, [this]
    {
        if (pendingState.isValid())
            return pendingState.createCopy();

        if (instance == nullptr)
            return juce::ValueTree();

        juce::MemoryBlock block;
        instance->getStateInformation (block);

        juce::ValueTree element (elementType);
        element.setProperty (pathProperty, path, nullptr);
        element.setProperty (stateProperty, block.toBase64Encoding(), nullptr);
        return element;
    });
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
        pending = pendingState.createCopy();
    }

    if (! pending.isValid())
    {
        unloadInstrument();
        return;
    }

    juce::MemoryBlock state;

    if (! decodeSavedState (pending.getProperty (stateProperty).toString(), state))
    {
        // Loading the instrument without its sound would lose it at the next save; kept instead.
        setStatus ("Load failed: the saved instrument state is damaged");
        const juce::ScopedLock sl (lock);
        pendingState = pending;
        instrumentLoading = true;
        return;
    }

    const auto savedPath = pending.getProperty (pathProperty).toString();

    // A path that is not absolute here (one saved on another system, say) names no module to
    // load; the message still names the file.
    const auto loaded = juce::File::isAbsolutePath (savedPath)
                          ? loadInstrument (juce::File (savedPath), state)
                          : failToLoad (savedPath.fromLastOccurrenceOf ("/", false, false)
                                            .fromLastOccurrenceOf ("\\", false, false));

    if (! loaded)
    {
        // The element stays in the saved state, and the plug-in waits in the loading state.
        const juce::ScopedLock sl (lock);
        pendingState = pending;
        instrumentLoading = true;
    }
}

bool HostedInstrument::failToLoad (const juce::String& fileName)
{
    setStatus ("Load failed: " + fileName);
    return false;
}

void HostedInstrument::setStatus (const juce::String& text)
{
    const juce::ScopedLock sl (textLock);
    status = text;
}

void HostedInstrument::setTexts (const juce::String& newName, const juce::String& newStatus)
{
    const juce::ScopedLock sl (textLock);
    name = newName;
    status = newStatus;
}

void HostedInstrument::showWindow()
{
    // Without the lock: making a large instrument's editor takes hundreds of milliseconds, which
    // the audio thread would spend in silence. The instance is only ever replaced on this thread,
    // and a host's state or prepare call from another thread takes the message manager's lock
    // first (underLockWithInstance), so none of them runs while this does.
    JUCE_ASSERT_MESSAGE_THREAD

    if (! instrumentActive || instance == nullptr)
        return;

    if (window == nullptr)
    {
        auto* editor = instance->createEditorIfNeeded();

        if (editor == nullptr)
            return;

        window = std::make_unique<Window> (instance->getName(), editor);
    }

    window->setVisible (true);
    window->toFront (true);
}

void HostedInstrument::prepare (double newSampleRate, int newBlockSize)
{
    underLockWithInstance (lock, instance, [&]
    {
        const auto size = std::max (newBlockSize, 32);

        if (size != blockSize || scratch.getNumSamples() != size)
            scratch.setSize (2, size);

        sampleRate = newSampleRate;
        blockSize = size;

        instrumentMidi.ensureSize (reservedMidiBytes);
        instrumentFlush = true;

        if (instance != nullptr)
        {
            instance->releaseResources();
            instance->setRateAndBufferSizeDetails (sampleRate, blockSize);
            instance->prepareToPlay (sampleRate, blockSize);
        }

        owner.setLatencySamples (instance != nullptr ? instance->getLatencySamples() : 0);
    });
}

void HostedInstrument::release()
{
    underLockWithInstance (lock, instance, [this]
    {
        if (instance != nullptr)
            instance->releaseResources();
    });
}

void HostedInstrument::addFlushMessages() noexcept
{
    for (int channel = 1; channel <= 16; ++channel)
    {
        instrumentMidi.addEvent (juce::MidiMessage::controllerEvent (channel, 64, 0), 0);
        instrumentMidi.addEvent (juce::MidiMessage::controllerEvent (channel, 66, 0), 0);

        for (int key = 0; key < 128; ++key)
            if (soundingNotes[(size_t) ((channel - 1) * 128 + key)])
                instrumentMidi.addEvent (juce::MidiMessage::noteOff (channel, key), 0);

        instrumentMidi.addEvent (juce::MidiMessage::allNotesOff (channel), 0);
        instrumentMidi.addEvent (juce::MidiMessage::allSoundOff (channel), 0);
    }

    soundingNotes.reset();
}

void HostedInstrument::trackSoundingNote (const juce::MidiMessage& message) noexcept
{
    const auto bit = (size_t) ((message.getChannel() - 1) * 128 + message.getNoteNumber());

    if (message.isNoteOn())
    {
        soundingNotes.set (bit);
        muted = false;
    }
    else if (message.isNoteOff())
    {
        soundingNotes.reset (bit);
    }
}

void HostedInstrument::renderSubBlock (juce::AudioBuffer<float>& buffer, const juce::MidiBuffer& midi, int offset,
                                       int length, bool flushFirst) noexcept
{
    // Resizing within the prepared size never reallocates; the buffer's own clear flag then tells
    // whether the instrument wrote anything.
    scratch.setSize (2, length, false, false, true);
    scratch.clear();
    instrumentMidi.clear();

    if (flushFirst)
        addFlushMessages();

    for (const auto metadata : midi)
    {
        if (metadata.samplePosition < offset || metadata.samplePosition >= offset + length)
            continue;

        instrumentMidi.addEvent (metadata.data, metadata.numBytes, metadata.samplePosition - offset);
        trackSoundingNote (metadata.getMessage());
    }

    instance->processBlock (scratch, instrumentMidi);

    if (scratch.hasBeenCleared())
    {
        buffer.clear (offset, length);
        return;
    }

    const auto outputs = buffer.getNumChannels();

    if (instance->getTotalNumOutputChannels() == 1)
    {
        for (int channel = 0; channel < outputs; ++channel)
            buffer.copyFrom (channel, offset, scratch, 0, 0, length);
    }
    else if (outputs == 1)
    {
        buffer.copyFrom (0, offset, scratch.getReadPointer (0), length, 0.5f);
        buffer.addFrom (0, offset, scratch, 1, 0, length, 0.5f);
    }
    else
    {
        for (int channel = 0; channel < outputs; ++channel)
            buffer.copyFrom (channel, offset, scratch, std::min (channel, 1), 0, length);
    }
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

    if (instance == nullptr)
    {
        buffer.clear();
        midi.clear();
        return;
    }

    const auto samples = buffer.getNumSamples();

    if (samples > 0)
    {
        if (instrumentMute.exchange (false))
            muted = true;

        auto flush = instrumentFlush.exchange (false);
        instance->setPlayHead (owner.getPlayHead());

        for (int offset = 0; offset < samples; offset += blockSize)
        {
            renderSubBlock (buffer, midi, offset, std::min (blockSize, samples - offset), flush);
            flush = false;
        }

        if (muted)
            buffer.clear();
    }

    midi.clear();
}

bool HostedInstrument::hasInstance() const
{
    const juce::ScopedLock sl (lock);
    return instance != nullptr;
}

juce::String HostedInstrument::instrumentName() const
{
    const juce::ScopedLock sl (textLock);
    return name;
}

juce::String HostedInstrument::statusText() const
{
    const juce::ScopedLock sl (textLock);
    return status;
}

juce::String HostedInstrument::instrumentPath() const
{
    const juce::ScopedLock sl (lock);
    return path;
}

juce::File HostedInstrument::privateModule() const
{
    const juce::ScopedLock sl (lock);
    return privateCopy != nullptr ? privateCopy->module : juce::File();
}

bool HostedInstrument::isWindowVisible() const
{
    return window != nullptr && window->isVisible();
}

} // namespace zelk
