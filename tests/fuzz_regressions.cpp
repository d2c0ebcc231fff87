#include "core/Utf8.h"
#include "midi/MidiImport.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/StubInstrument.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;

namespace
{
// Runs every seed of a fuzz target and every input that ever made it fail through its check.
void replay (const char* name)
{
    const auto* check = fuzz::findCheck (name);
    ASSERT_NE (check, nullptr);
    const juce::File root (ZELK_FUZZ_DIR);
    auto inputs = 0;

    for (const auto* kind : { "corpus", "regressions" })
        for (const auto& entry : juce::RangedDirectoryIterator (root.getChildFile (kind).getChildFile (name), false))
        {
            juce::MemoryBlock bytes;
            ASSERT_TRUE (entry.getFile().loadFileAsData (bytes));
            ++inputs;
            EXPECT_EQ (check->run (static_cast<const uint8_t*> (bytes.getData()), bytes.getSize()), juce::String())
                << kind << "/" << name << "/" << entry.getFile().getFileName();
        }

    EXPECT_GT (inputs, 0) << "no seeds for " << name;
}
} // namespace

TEST (FuzzReplay, StateBlocks) { replay ("state-block"); }
TEST (FuzzReplay, StateXml) { replay ("state-xml"); }
TEST (FuzzReplay, HostedInstrumentElements) { replay ("hosted-instrument"); }
TEST (FuzzReplay, MidiImports) { replay ("midi-import"); }
TEST (FuzzReplay, CaptureStreams) { replay ("capture-stream"); }
TEST (FuzzReplay, PatternLoader) { replay ("pattern-loader"); }


// Found while writing the hosted-instrument target: a "state" whose size says more than its text holds, or
// is negative, made JUCE's decoder allocate that size, so a damaged or hand-edited project
// crashed the host as it opened. Such a state is kept, waiting, with a message.
TEST (FuzzFindings, AnInstrumentStateWhoseSizeIsDamagedIsKeptNotDecoded)
{
    ZelkProcessor processor;
    auto& instrument = processor.hostedInstrument();
    instrument.setInstanceFactory (fuzz::standInFactory());
    const auto module = fuzz::standInFolder().getChildFile ("Stereo.vst3").getFullPathName();

    const auto restore = [&] (const char* state)
    {
        juce::ValueTree element (HostedInstrument::elementType);
        element.setProperty (HostedInstrument::pathProperty, module, nullptr);
        element.setProperty (HostedInstrument::stateProperty, state, nullptr);
        instrument.restoreFromState (element);
        test::runMessageLoop();
        return element;
    };

    for (const auto* state : { "-1.ABCD", "2000000000.AB", "99999999999.A", "5.AB", "no size" })
    {
        const auto element = restore (state);
        EXPECT_TRUE (instrument.instrumentLoading.load()) << state;
        EXPECT_FALSE (instrument.hasInstance()) << state;
        EXPECT_EQ (instrument.statusText(), "Load failed: the saved instrument state is damaged") << state;
        EXPECT_TRUE (instrument.savedStateElement().isEquivalentTo (element)) << state;
    }

    // The same instrument loads with a state its text can hold, and with none.
    for (const auto* state : { "3.ABCD", "" })
    {
        restore (state);
        EXPECT_TRUE (instrument.instrumentActive.load()) << state;
        EXPECT_FALSE (instrument.instrumentLoading.load()) << state;
        EXPECT_EQ (instrument.statusText(), juce::String()) << state;
    }
}

// Found by the midi-import target: JUCE's reader keeps a note's data bytes as the file has them,
// so a damaged file gave velocity 144 (or a key above 127), imported as a clamped note. Such a
// file cannot be read.
TEST (FuzzFindings, ANoteWhoseDataByteIsAbove127IsRefused)
{
    const auto file = [] (juce::uint8 key, juce::uint8 velocity)
    {
        const juce::uint8 track[] = { 0x00, 0x90, key, velocity, 0x83, 0x60, 0x80, key, 0x00, 0x00, 0xff, 0x2f, 0x00 };
        juce::MemoryOutputStream out;
        out.write ("MThd\0\0\0\x06\0\0\0\x01\x01\xe0MTrk\0\0\0\x0d", 22);
        out.write (track, sizeof (track));
        return out.getMemoryBlock();
    };

    const auto read = [] (const juce::MemoryBlock& bytes)
    {
        juce::MemoryInputStream stream (bytes, false);
        return readMidiNotes (stream);
    };

    EXPECT_TRUE (read (file (45, 100)).ok());
    EXPECT_EQ (read (file (45, 144)).error, "Cannot read MIDI file");
    EXPECT_EQ (read (file (200, 100)).error, "Cannot read MIDI file");
}

// Found by the state-block, pattern-loader and hosted-instrument targets: a damaged character (a
// UTF-8 lead byte announcing more bytes than remain, an overlong zero) or a character reference
// past U+10FFFF made JUCE's string functions run past the end of a block. Such a state does not
// unwrap, and the tool refuses such a file.
TEST (FuzzFindings, AStateWithADamagedCharacterIsIgnored)
{
    // The bytes as they are: a juce::String would turn them into well-formed characters.
    const auto wrap = [] (const std::string& text)
    {
        juce::MemoryOutputStream out;
        out.writeInt (0x21324356);
        out.writeInt ((int) text.size());
        out.write (text.data(), text.size());
        out.writeByte (0);
        return out.getMemoryBlock();
    };

    const std::string text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><TamselState><PARAM id=\"bend\" value=\"30\"/></TamselStat");
    ZelkProcessor processor;
    processor.setParameterValue ("bend", 12.0f);
    const auto before = test::valueOf (processor, "bend");

    // Overlong forms and references past U+10FFFF: JUCE measured such text short and wrote past it.
    for (const std::string damage : { "\xf3>", "\xc3", "\xe2\x82", "e\x80>", "\xff>", "\xe0\x80\x80" "e>", "\xf0\x80\x80\x80" "e>",
                                      "\xf4\x90\x80\x80" "e>", "e x=\"&#x80000010;\"/>", "e x=\"&#9999999999;\"/>", "e x=\"&#x41\"/>" })
    {
        processor.stateReloaded = false;
        test::loadState (processor, wrap (text + damage));
        EXPECT_FALSE (processor.stateReloaded.load()) << damage;
        EXPECT_EQ (test::valueOf (processor, "bend"), before) << damage;
    }

    test::loadState (processor, wrap (text + "e x=\"&#10;&#x263A;\"/>"));
    EXPECT_NEAR (test::valueOf (processor, "bend"), 30.0f, 1.0e-3f);
    EXPECT_TRUE (isWellFormedUtf8 ("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb9", 14));
}

// Found by the state-xml target: a processing instruction inside the document ("<?" after the
// declaration) sent JUCE's XML reader into a loop without end, so opening such a project froze
// the host. A saved state has none; such a state is ignored.
TEST (FuzzFindings, AStateWithAProcessingInstructionInsideIsIgnored)
{
    ZelkProcessor processor;
    processor.stateReloaded = false;
    test::loadState (processor, test::wrapStateXml ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TamselState><?xml v"
                                                    "<PARAM id=\"bend\" value=\"3\"/></TamselState>"));
    EXPECT_FALSE (processor.stateReloaded.load());

    test::loadState (processor, test::wrapStateXml ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TamselState>"
                                                    "<PARAM id=\"bend\" value=\"3\"/></TamselState>"));
    EXPECT_TRUE (processor.stateReloaded.load());
    EXPECT_NEAR (test::valueOf (processor, "bend"), 3.0f, 1.0e-3f);
}
