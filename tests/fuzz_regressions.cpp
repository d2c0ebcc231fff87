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
TEST (FuzzReplay, PatternLoader) { replay ("pattern-loader"); }

