#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzWorld.h"

namespace zelk::fuzz
{
namespace
{
// The instrument every state input starts from: one that a state named but that cannot load, so
// its element waits in the saved state. A refused input must leave it so; an accepted one
// replaces it with the state's own element, or unloads it.
juce::ValueTree waitingInstrument()
{
    juce::ValueTree element (HostedInstrument::elementType);
    element.setProperty (HostedInstrument::pathProperty, "/nonexistent/Waiting.vst3", nullptr);
    element.setProperty (HostedInstrument::stateProperty, "3.ABCD", nullptr);
    return element;
}

bool sameElement (const juce::ValueTree& a, const juce::ValueTree& b)
{
    return a.isValid() == b.isValid() && (! a.isValid() || a.isEquivalentTo (b));
}

juce::String checkInstrumentAfterLoad (ZelkProcessor& processor, const juce::XmlElement* stateXml)
{
    auto& instrument = processor.hostedInstrument();
    const auto* saved = stateXml != nullptr ? stateXml->getChildByName (HostedInstrument::elementType) : nullptr;
    const auto element = saved != nullptr ? juce::ValueTree::fromXml (*saved) : juce::ValueTree();

    if (instrument.instrumentLoading.load() != element.isValid())
        return "the instrument's loading flag does not follow the state's \"HostedInstrument\" element";

    if (! sameElement (instrument.savedStateElement(), element))
        return "the state's \"HostedInstrument\" element is not what the next save would write";

    dispatchPendingMessages();

    if (! element.isValid())
        return instrument.hasInstance() || instrument.instrumentLoading.load()
                 ? "a state without an instrument left one loaded or loading"
                 : juce::String();

    if (instrument.instrumentLoading.load())
        return sameElement (instrument.savedStateElement(), element) ? juce::String()
                                                                     : "an instrument that failed to load lost its element";

    if (! instrument.instrumentActive.load()
        || instrument.instrumentPath() != juce::File (element.getProperty (HostedInstrument::pathProperty).toString()).getFullPathName())
        return "the state's instrument is neither loaded nor waiting to load";

    return {};
}
} // namespace

juce::String checkLoadedState (ZelkProcessor& processor, bool accepted, const std::vector<float>& before,
                               const juce::ValueTree& instrumentBefore, const juce::XmlElement* stateXml)
{
    if (! accepted)
    {
        const auto changed = changedParameters (processor, before, parameterValues (processor));

        if (changed.isNotEmpty())
            return "a refused state changed parameters: " + changed;

        if (! sameElement (processor.hostedInstrument().savedStateElement(), instrumentBefore))
            return "a refused state changed the hosted instrument's element";

        return {};
    }

    if (const auto wrong = parametersOutOfRange (processor); wrong.isNotEmpty())
        return "an accepted state left parameters out of range: " + wrong;

    if (const auto wrong = checkInstrumentAfterLoad (processor, stateXml); wrong.isNotEmpty())
        return wrong;

    return savesAndLoadsTheSameValues (processor, world().scratch);
}

juce::String checkStateBlock (const uint8_t* data, size_t size)
{
    auto& processor = world().target;
    auto& instrument = processor.hostedInstrument();
    forgetInstrument (processor);
    instrument.restoreFromState (waitingInstrument());
    dispatchPendingMessages();

    const auto before = parameterValues (processor);
    const auto instrumentBefore = instrument.savedStateElement();
    processor.stateReloaded = false;
    processor.setStateInformation (data, (int) juce::jmin (size, (size_t) std::numeric_limits<int>::max()));
    const auto accepted = processor.stateReloaded.exchange (false);

    // The framework's own reading of the block, to know which element the state carried.
    std::unique_ptr<juce::XmlElement> xml;

    if (accepted)
        xml = juce::AudioProcessor::getXmlFromBinary (data, (int) size);

    return checkLoadedState (processor, accepted, before, instrumentBefore, xml.get());
}

juce::String checkStateXml (const uint8_t* data, size_t size)
{
    juce::MemoryBlock block;
    {
        juce::MemoryOutputStream out (block, false);
        out.writeInt (0x21324356);
        out.writeInt ((int) size);
        out.write (data, size);
        out.writeByte (0);
    }

    return checkStateBlock (static_cast<const uint8_t*> (block.getData()), block.getSize());
}

} // namespace zelk::fuzz
