#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
bool everyParameterInsideItsRange (ZelkProcessor& processor)
{
    for (auto* p : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p);
        const auto value = processor.parameterTree().getRawParameterValue (ranged->paramID)->load();
        const auto& range = ranged->getNormalisableRange();

        if (! std::isfinite (value) || value < range.start || value > range.end)
        {
            ADD_FAILURE() << ranged->paramID << " = " << value;
            return false;
        }
    }

    return true;
}

// One seeded way of damaging a state block: the header, the length, the text or the size.
juce::MemoryBlock corrupt (const juce::MemoryBlock& original, juce::Random& random)
{
    juce::MemoryBlock block (original);
    auto* bytes = static_cast<uint8_t*> (block.getData());
    const auto size = (int) block.getSize();

    switch (random.nextInt (6))
    {
        case 0: // truncated anywhere
            block.setSize ((size_t) random.nextInt (size));
            break;
        case 1: // wrong magic
            bytes[random.nextInt (4)] ^= (uint8_t) (1 + random.nextInt (255));
            break;
        case 2: // wrong length, larger or smaller
            *reinterpret_cast<uint32_t*> (bytes + 4) = (uint32_t) random.nextInt();
            break;
        case 3: // flipped bytes inside the XML
            for (int i = 1 + random.nextInt (8); --i >= 0;)
                bytes[8 + random.nextInt (size - 9)] = (uint8_t) random.nextInt (256);
            break;
        case 4: // digits changed into other characters, so values may be huge, negative or junk
            for (int i = 1 + random.nextInt (32); --i >= 0;)
            {
                const auto at = 8 + random.nextInt (size - 9);

                if (juce::CharacterFunctions::isDigit ((char) bytes[at]))
                    bytes[at] = (uint8_t) juce::String ("-e.9x+ 0")[random.nextInt (8)];
            }
            break;
        default: // random garbage of random size
            block.setSize ((size_t) random.nextInt (64));
            random.fillBitsRandomly (block.getData(), block.getSize());
            break;
    }

    return block;
}
} // namespace

TEST (StateFuzz, CorruptedStatesNeverCrashAndLeaveEveryParameterInRange)
{
    ZelkProcessor source;
    source.writeNote (0, distinctiveNote (1));
    source.writeNote (1, distinctiveNote (2));

    // A small state keeps the test quick: every load fills in the rest with defaults.
    juce::String children;

    for (const auto* id : { "bend", "transpose", "looping", "rangeEnd", "note1_on", "note1_start", "note1_startPage",
                            "note1_next", "note2_curve0_3", "uiTheme", "lfo1_sync", "mod1_bend" })
        children << "<PARAM id=\"" << id << "\" value=\"" << valueOf (source, id) << "\"/>";

    const auto small = wrapStateXml ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><TamselState>" + children
                                     + "<HostedInstrument path=\"/x/y.vst3\" state=\"3.ABCD\"/></TamselState>");

    ZelkProcessor target;
    juce::Random random (20261209);

    for (int i = 0; i < 3000; ++i)
    {
        const auto block = corrupt (small, random);
        target.setStateInformation (block.getData(), (int) block.getSize());
    }

    EXPECT_TRUE (everyParameterInsideItsRange (target));

    // A few damaged full states too, and the result still saves and loads.
    const auto full = saveState (source);

    for (int i = 0; i < 40; ++i)
    {
        const auto block = corrupt (full, random);
        target.setStateInformation (block.getData(), (int) block.getSize());
    }

    EXPECT_TRUE (everyParameterInsideItsRange (target));
    ZelkProcessor reloaded;
    loadState (reloaded, saveState (target));
    EXPECT_EQ (stateXml (reloaded), stateXml (target));
}
