#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelk::fuzz
{
// One loader fed an arbitrary input, and what must hold afterwards. A check returns an empty
// string when everything held, otherwise what did not. The libFuzzer targets abort on a
// non-empty result; the test suite replays the seed corpora and every input that ever failed.
struct Check
{
    const char* name; // also the name of its folders in tests/fuzz/corpus and tests/fuzz/regressions
    juce::String (*run) (const uint8_t* data, size_t size);
};

// The saved state as a host hands it over: the whole block, header included.
juce::String checkStateBlock (const uint8_t* data, size_t size);
// The XML text of a saved state, wrapped into a block with a correct header.
juce::String checkStateXml (const uint8_t* data, size_t size);
// A "HostedInstrument" element restored and loaded: the first line is its "path" ("~T/" at its
// start stands for the fuzz folder of stand-in instruments), the rest its "state".
juce::String checkInstrumentElement (const uint8_t* data, size_t size);
// A Standard MIDI File read and, when it can be imported, imported into a full pattern; and the
// same file captured, as a drop on the piano roll takes it.
juce::String checkMidiImport (const uint8_t* data, size_t size);
// A played stream, four bytes an event after three that choose the options, captured: a result
// in its ranges, however far or dense the events.
juce::String checkCaptureStream (const uint8_t* data, size_t size);
// Every message a MIDI file the import cannot take is refused with.
const juce::StringArray& midiImportRefusals();
// The command-line tool's pattern loader: a MIDI file, a state block or a state's XML text.
juce::String checkPatternLoader (const uint8_t* data, size_t size);

const std::vector<Check>& allChecks();
const Check* findCheck (const juce::String& name);

// Runs the message thread's pending work (asynchronous updates) without waiting.
void dispatchPendingMessages();

} // namespace zelk::fuzz
