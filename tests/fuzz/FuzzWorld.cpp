#include "tests/fuzz/FuzzWorld.h"

#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/StubInstrument.h"

#include <cstring>
#include <map>

namespace juce
{
// JUCE's own: runs one pending message, or returns false when there is none.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace zelk::fuzz
{
namespace
{
struct Parameter
{
    juce::RangedAudioParameter* parameter;
    std::atomic<float>* value;
};

// Looking every identifier up in the tree again for every input would cost more than the input.
const std::vector<Parameter>& parametersOf (ZelkProcessor& processor)
{
    static std::map<const ZelkProcessor*, std::vector<Parameter>> lists;
    auto& list = lists[&processor];

    if (list.empty())
        for (auto* p : processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p))
                list.push_back ({ ranged, processor.parameterTree().getRawParameterValue (ranged->paramID) });

    return list;
}

bool sameBits (float a, float b)
{
    return std::memcmp (&a, &b, sizeof (float)) == 0;
}
} // namespace

FuzzWorld::FuzzWorld()
{
    standInFolder();

    for (auto* processor : { &target, &scratch })
    {
        processor->hostedInstrument().setInstanceFactory (standInFactory());
        processor->prepareToPlay (48000.0, 512);
    }

    setDistinctiveValues (target);
}

FuzzWorld& world()
{
    static FuzzWorld instance;
    return instance;
}

const std::vector<Check>& allChecks()
{
    static const std::vector<Check> checks { { "state-block", checkStateBlock },
                                             { "state-xml", checkStateXml },
                                             { "hosted-instrument", checkInstrumentElement },
                                             { "midi-import", checkMidiImport },
                                             { "capture-stream", checkCaptureStream },
                                             { "pattern-loader", checkPatternLoader } };
    return checks;
}

const Check* findCheck (const juce::String& name)
{
    for (const auto& check : allChecks())
        if (name == check.name)
            return &check;

    return nullptr;
}

void dispatchPendingMessages()
{
    for (int i = 0; i < 1000 && juce::dispatchNextMessageOnSystemQueue (true); ++i)
    {
    }
}

std::vector<float> parameterValues (ZelkProcessor& processor)
{
    const auto& list = parametersOf (processor);
    std::vector<float> values;
    values.reserve (list.size());

    for (const auto& p : list)
        values.push_back (p.value->load());

    return values;
}

juce::String changedParameters (ZelkProcessor& processor, const std::vector<float>& before,
                                const std::vector<float>& after)
{
    const auto& list = parametersOf (processor);
    juce::StringArray changed;
    auto count = 0;

    for (size_t i = 0; i < list.size() && i < before.size() && i < after.size(); ++i)
        if (! sameBits (before[i], after[i]) && ++count <= 4)
            changed.add (list[i].parameter->paramID + " " + juce::String (before[i], 9) + " -> "
                         + juce::String (after[i], 9));

    if (count > 4)
        changed.add ("and " + juce::String (count - 4) + " more");

    return changed.joinIntoString (", ");
}

juce::String parametersOutOfRange (ZelkProcessor& processor)
{
    juce::StringArray wrong;

    for (const auto& p : parametersOf (processor))
    {
        const auto value = p.value->load();
        const auto& range = p.parameter->getNormalisableRange();

        if ((! std::isfinite (value) || value < range.start || value > range.end) && wrong.size() < 4)
            wrong.add (p.parameter->paramID + " = " + juce::String (value, 9));
    }

    return wrong.joinIntoString (", ");
}

void setDistinctiveValues (ZelkProcessor& processor)
{
    auto position = 0.0;

    for (const auto& p : parametersOf (processor))
    {
        position = std::fmod (position + 0.6180339887, 1.0);
        auto normalised = (float) (0.05 + 0.9 * position);

        if (std::abs (p.parameter->convertFrom0to1 (normalised) - p.parameter->convertFrom0to1 (p.parameter->getDefaultValue())) < 1.0e-6f)
            normalised = p.parameter->getDefaultValue() < 0.5f ? 1.0f : 0.0f;

        p.parameter->setValueNotifyingHost (normalised);
    }
}

juce::String savesAndLoadsTheSameValues (ZelkProcessor& processor, ZelkProcessor& other)
{
    // An instrument the other one loaded earlier would be unloaded only later, on the message thread.
    forgetInstrument (other);
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    other.stateReloaded = false;
    other.setStateInformation (block.getData(), (int) block.getSize());

    if (! other.stateReloaded.exchange (false))
        return "the state it saves is refused when loaded again";

    const auto changed = changedParameters (processor, parameterValues (processor), parameterValues (other));

    if (changed.isNotEmpty())
        return "saved and loaded again, values differ: " + changed;

    const auto element = processor.hostedInstrument().savedStateElement();
    const auto reloaded = other.hostedInstrument().savedStateElement();

    if (element.isValid() != reloaded.isValid() || (element.isValid() && ! element.isEquivalentTo (reloaded)))
        return "saved and loaded again, the \"HostedInstrument\" element differs";

    return {};
}

void forgetInstrument (ZelkProcessor& processor)
{
    processor.hostedInstrument().unloadInstrument();
}

} // namespace zelk::fuzz
