#pragma once

#include "core/Note.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace zelk
{
class ZelkProcessor;

// The notes of a Standard MIDI File, or why it cannot be imported.
struct MidiImportResult
{
    std::vector<Note> notes; // at most 128, sorted by start
    juce::String error;      // empty when the file can be imported
    bool omitted = false;    // the file held bends, pressure or controllers, which are not imported

    bool ok() const noexcept { return error.isEmpty(); }
};

// Parses a Standard MIDI File that the import can take: formats 0 and 1 with beat-based timing.
// Returns the import's message for a file it refuses, else an empty string.
juce::String readMidiFile (juce::InputStream& stream, juce::MidiFile& file);

// Reads a file without touching any pattern.
MidiImportResult readMidiNotes (const juce::File& file);
MidiImportResult readMidiNotes (juce::InputStream& stream);

// Replaces the processor's pattern with an import that has no error: stops what sounds, writes
// note i into slot i, turns the time selection and looping off and moves playback to beat 0.
// Returns the hint that reports the import.
juce::String importIntoPattern (ZelkProcessor& processor, const MidiImportResult& result);

} // namespace zelk
