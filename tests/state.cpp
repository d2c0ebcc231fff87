#include "core/ParameterLayout.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
// Gives every parameter a seeded value inside its range.
void randomise (ZelkProcessor& processor, int seed)
{
    juce::Random random (seed);

    for (auto* p : processor.getParameters())
        p->setValueNotifyingHost (random.nextFloat());
}

std::vector<float> allValues (ZelkProcessor& processor)
{
    std::vector<float> values;

    for (auto* p : processor.getParameters())
        values.push_back (dynamic_cast<juce::RangedAudioParameter*> (p)->convertFrom0to1 (p->getValue()));

    return values;
}

juce::String xmlWith (const juce::String& children, const juce::String& root = "TamselState")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + root + ">" + children + "</" + root + ">";
}

const juce::String instrumentElement =
    "<HostedInstrument path=\"/nowhere/Missing Synth.vst3\" state=\"12.ABCDEFGHIJKLMNO\"/>";
} // namespace

TEST (SavedState, IsTheParameterTreeWrappedAsTheFrameworkDoes)
{
    ZelkProcessor processor;
    const auto block = saveState (processor);
    ASSERT_GT (block.getSize(), 9u);

    const auto* bytes = static_cast<const uint8_t*> (block.getData());
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes), 0x21324356u);
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (bytes + 4), (uint32_t) block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    const auto xml = juce::parseXML (stateXml (processor));
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("TamselState"));
    EXPECT_EQ (xml->getNumAttributes(), 0);
    EXPECT_EQ (xml->getNumChildElements(), parameterCount);
    EXPECT_EQ (xml->getChildByAttribute ("id", "rangeEnd")->getDoubleAttribute ("value"), 4.0);
    EXPECT_EQ (xml->getChildByAttribute ("id", "bend")->getTagName(), "PARAM");
    EXPECT_TRUE (stateXml (processor).startsWith ("<?xml"));
}

TEST (SavedState, RestoresEveryParameterOnAnotherInstance)
{
    ZelkProcessor source;
    randomise (source, 1234);
    source.writeNote (17, distinctiveNote (17));

    ZelkProcessor target;
    loadState (target, saveState (source));

    EXPECT_EQ (allValues (target), allValues (source));
    EXPECT_TRUE (target.stateReloaded.load());
    EXPECT_EQ (stateXml (target), stateXml (source));
}

TEST (SavedState, MissingEntriesLoadAtTheirDefaultsAndOldStatesLoop)
{
    ZelkProcessor processor;
    randomise (processor, 99);

    loadState (processor, wrapStateXml (xmlWith ("<PARAM id=\"bend\" value=\"12.5\"/><PARAM id=\"note3_on\" value=\"1\"/>")));

    EXPECT_FLOAT_EQ (valueOf (processor, "bend"), 12.5f);
    EXPECT_TRUE (processor.readNote (2).on);
    EXPECT_FALSE (processor.readNote (1).on);
    EXPECT_FLOAT_EQ (valueOf (processor, "looping"), 1.0f); // states from before the switch looped
    EXPECT_FLOAT_EQ (valueOf (processor, "rangeEnd"), 4.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "pressure"), 100.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "note3_pitch"), 60.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "mod2_timbre"), 0.0f);

    loadState (processor, wrapStateXml (xmlWith ("<PARAM id=\"looping\" value=\"0\"/>")));
    EXPECT_FLOAT_EQ (valueOf (processor, "looping"), 0.0f);
}

TEST (SavedState, RefusesAnythingThatIsNotAZelkState)
{
    ZelkProcessor processor;
    randomise (processor, 7);
    const auto before = allValues (processor);

    const juce::MemoryBlock refused[] = {
        wrapStateXml (xmlWith ("<PARAM id=\"bend\" value=\"1\"/>", "OtherState")),
        wrapStateXml ("<TamselState><PARAM id=\"bend\" value=\"1\"/>"),
        wrapStateXml ("not xml at all"),
        wrapStateXml (""),
        {},
    };

    for (const auto& block : refused)
        loadState (processor, block);

    processor.setStateInformation (nullptr, 100);
    processor.setStateInformation ("\x56\x43\x32\x21", 4);

    EXPECT_EQ (allValues (processor), before);
    EXPECT_FALSE (processor.stateReloaded.load());
}

TEST (SavedState, OddValuesEndInsideTheirRanges)
{
    ZelkProcessor processor;
    loadState (processor, wrapStateXml (xmlWith (
        "<PARAM id=\"bend\" value=\"1e9\"/>"
        "<PARAM id=\"transpose\" value=\"-400\"/>"
        "<PARAM id=\"pressure\" value=\"nan\"/>"
        "<PARAM id=\"timbre\" value=\"inf\"/>"
        "<PARAM id=\"smooth\" value=\"lots\"/>"
        "<PARAM id=\"velocity\"/>"
        "<PARAM id=\"noSuchParameter\" value=\"3\"/>"
        "<Unexpected id=\"note1_on\" value=\"1\"/>")));

    EXPECT_FLOAT_EQ (valueOf (processor, "bend"), 48.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "transpose"), -24.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "pressure"), 100.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "timbre"), 100.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "smooth"), 5.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "velocity"), 100.0f);
    EXPECT_FALSE (processor.readNote (0).on);
}

TEST (SavedState, KeepsAPendingInstrumentElementUnchanged)
{
    ZelkProcessor processor;
    loadState (processor, wrapStateXml (xmlWith ("<PARAM id=\"bend\" value=\"3\"/>" + instrumentElement)));

    EXPECT_TRUE (processor.hostedInstrument().instrumentLoading.load());
    runMessageLoop();

    // The module is not there: the element stays pending and is written back as it was.
    const auto xml = juce::parseXML (stateXml (processor));
    ASSERT_NE (xml, nullptr);
    auto* element = xml->getChildByName ("HostedInstrument");
    ASSERT_NE (element, nullptr);
    EXPECT_EQ (xml->getChildElement (xml->getNumChildElements() - 1), element);
    EXPECT_EQ (element->getStringAttribute ("path"), "/nowhere/Missing Synth.vst3");
    EXPECT_EQ (element->getStringAttribute ("state"), "12.ABCDEFGHIJKLMNO");
    EXPECT_EQ (xml->getNumChildElements(), parameterCount + 1);

    // Saving and loading again keeps it too.
    ZelkProcessor second;
    loadState (second, saveState (processor));
    EXPECT_EQ (stateXml (second), stateXml (processor));

    // A state without the element forgets it.
    loadState (processor, wrapStateXml (xmlWith ("<PARAM id=\"bend\" value=\"3\"/>")));
    EXPECT_FALSE (processor.hostedInstrument().instrumentLoading.load());
    runMessageLoop();
    EXPECT_EQ (juce::parseXML (stateXml (processor))->getChildByName ("HostedInstrument"), nullptr);
}

TEST (Processor, OffersOneProgramAndTheDeclaredBuses)
{
    ZelkProcessor processor;
    EXPECT_EQ (processor.getName(), "Zelk");
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_TRUE (processor.getProgramName (0).isEmpty());
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 0.1);
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_TRUE (processor.producesMidi());
    EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");

    juce::AudioProcessor::BusesLayout layout;
    layout.outputBuses.add (juce::AudioChannelSet::mono());
    EXPECT_TRUE (processor.checkBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::stereo();
    EXPECT_TRUE (processor.checkBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::discreteChannels (4);
    EXPECT_FALSE (processor.checkBusesLayoutSupported (layout));
    layout.outputBuses.getReference (0) = juce::AudioChannelSet::disabled();
    EXPECT_FALSE (processor.isBusesLayoutSupported (layout));
}

TEST (Processor, SetPlaybackPositionClampsIntoTheTimeline)
{
    ZelkProcessor processor;
    processor.setPlaybackPosition (-3.0);
    EXPECT_DOUBLE_EQ (processor.startPosition.load(), 0.0);
    EXPECT_DOUBLE_EQ (processor.seekRequest.load(), 0.0);
    processor.setPlaybackPosition (1.0e9);
    EXPECT_DOUBLE_EQ (processor.startPosition.load(), 262080.0);
    EXPECT_DOUBLE_EQ (processor.seekRequest.load(), 262080.0);
    processor.setPlaybackPosition (12.5);
    EXPECT_DOUBLE_EQ (processor.seekRequest.load(), 12.5);
}
