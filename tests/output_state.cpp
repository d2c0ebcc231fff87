// The output options in the saved state: an element of their own beside the parameters, absent
// for the defaults, so that states with the defaults are the states earlier versions wrote.
#include "core/ParameterLayout.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
OutputOptions unusualOptions()
{
    OutputOptions o;
    o.bendRange = 24;
    o.memberChannels = 7;
    o.zone = OutputOptions::Zone::upper;
    o.configurationMessage = false;
    o.pressure = OutputOptions::Pressure::polyAftertouch;
    return o;
}

// The state as saved, with the output element's text put in before the end of the root.
juce::MemoryBlock stateWithOutputElement (ZelkProcessor& processor, const juce::String& element)
{
    auto xml = stateXml (processor);
    return wrapStateXml (xml.replace ("</TamselState>", element + "</TamselState>"));
}
} // namespace

TEST (OutputState, TheOptionsRoundTripInAnElementOfTheirOwn)
{
    ZelkProcessor source;
    source.writeNote (3, distinctiveNote (3));
    EXPECT_FALSE (stateXml (source).contains ("OutputOptions")); // the defaults write nothing

    source.setOutputOptions (unusualOptions());
    const auto xml = juce::parseXML (stateXml (source));
    ASSERT_NE (xml, nullptr);
    const auto* element = xml->getChildByName ("OutputOptions");
    ASSERT_NE (element, nullptr);
    EXPECT_EQ (element->getStringAttribute ("bendRange"), "24");
    EXPECT_EQ (element->getStringAttribute ("zone"), "upper");
    EXPECT_EQ (xml->getNumChildElements(), parameterCount + 1);

    ZelkProcessor target;
    loadState (target, saveState (source));
    EXPECT_TRUE (target.outputOptions() == unusualOptions());
    EXPECT_EQ (stateXml (target), stateXml (source));
    EXPECT_EQ (target.damagedOutputOptionsLoads.load(), 0u);

    // The parameters read the same with the element as without it: the loader takes only the
    // parameters' own elements, as every earlier version's did.
    ZelkProcessor without;
    source.setOutputOptions ({});
    loadState (without, saveState (source));
    EXPECT_EQ (stateXml (without).replace ("</TamselState>", ""),
               stateXml (target).upToFirstOccurrenceOf ("<OutputOptions", false, false));

    // A state from before the options existed loads the defaults, whatever the instance had.
    loadState (target, saveState (without));
    EXPECT_TRUE (target.outputOptions().isDefault());

    // An element that names only some options keeps the defaults of the others.
    loadState (target, stateWithOutputElement (without, "<OutputOptions memberChannels=\"3\"/>"));
    EXPECT_EQ (target.outputOptions().memberChannels, 3);
    EXPECT_EQ (target.outputOptions().bendRange, 48);
    EXPECT_EQ (target.damagedOutputOptionsLoads.load(), 0u);
}

TEST (OutputState, ADamagedElementLoadsTheDefaultsAndThePatternStillLoads)
{
    ZelkProcessor source;
    source.writeNote (3, distinctiveNote (3));

    const juce::StringArray damaged {
        "<OutputOptions bendRange=\"0\"/>",          "<OutputOptions bendRange=\"97\"/>",
        "<OutputOptions bendRange=\"24.5\"/>",       "<OutputOptions bendRange=\"\"/>",
        "<OutputOptions memberChannels=\"16\"/>",    "<OutputOptions bendRange=\"24\" zone=\"middle\"/>",
        "<OutputOptions configuration=\"yes\"/>",    "<OutputOptions pressure=\"poly\" bendRange=\"12\"/>",
        "<OutputOptions memberChannels=\"-3\"/>",    "<OutputOptions bendRange=\"99999999999\"/>",
    };

    for (const auto& element : damaged)
    {
        SCOPED_TRACE (element);
        ZelkProcessor target;
        target.setOutputOptions (unusualOptions());
        loadState (target, stateWithOutputElement (source, element));

        EXPECT_TRUE (target.outputOptions().isDefault());
        EXPECT_EQ (target.damagedOutputOptionsLoads.load(), 1u);
        EXPECT_TRUE (target.readNote (3).on);
        EXPECT_EQ (target.readNote (3).start, source.readNote (3).start);
    }

    // The editor says so on the status line, once.
    EditorHarness editor;
    loadState (editor.processor, stateWithOutputElement (source, damaged[0]));
    editor.tick();
    EXPECT_EQ (editor->status(), "Saved output options were damaged: defaults loaded");
    editor->dragMidiGrip().onStatus ("something else");
    editor.tick();
    EXPECT_EQ (editor->status(), "something else");
}
