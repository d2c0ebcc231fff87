#pragma once

#include "midi/CaptureTypes.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace zelk
{
// Turns a played performance into notes: each note's pitch, pressure and timbre as curves, slides
// into held keys as connected notes with shaped glides, periodic swings as vibrato. The
// sequence's time stamps are beats. An empty performance gives an error and no notes.
CaptureResult capturePerformance (const juce::MidiMessageSequence& events, const CaptureOptions& options);

// The same for a Standard MIDI File, at its own first tempo. A file the import refuses as damaged
// is refused with the import's message.
CaptureResult captureMidiFile (juce::InputStream& stream, CaptureOptions options);
CaptureResult captureMidiFile (const juce::File& file, CaptureOptions options);

} // namespace zelk
