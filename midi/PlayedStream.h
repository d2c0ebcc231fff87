#pragma once

#include "midi/ExpressionTrack.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace zelk
{
// One note as it was played: from its note-on to its note-off, with what its channel (and, for
// pressure, its own key) sent meanwhile.
struct PlayedNote
{
    int channel = 1;
    int key = 60;
    int velocity = 100;
    double start = 0.0;
    double end = 0.0;
    bool heldToEnd = false; // no note-off came; closed where the capture ends
    bool clipped = false;   // it ended past the timeline's end and was cut there
    ExpressionTrack pitch;  // semitones from the key, the zone's master bend included
    ExpressionTrack pressure;
    ExpressionTrack timbre;
};

// The notes of a stream and how it was laid out. Only the first 128 notes that start within the
// timeline are read with their expression: no later one can be among the first 128 by start. The
// others are counted.
struct PlayedStream
{
    std::vector<PlayedNote> notes; // in the order of their note-ons
    int pastTimeline = 0;          // note-ons too late to hold the shortest note before the end
    int beyondLimit = 0;           // note-ons within the timeline after the first 128
    int heldToEnd = 0;             // note-ons, read or counted, whose note-off never came
    bool mpe = false;
    juce::String layout;      // "MPE lower zone", "MPE upper zone" or "single channel"
    juce::String bendRanges;  // the notes' ranges in semitones, "48" or "2, 12"
    juce::String masterRange; // an MPE zone's master range, when its master bent
    juce::StringArray hints;
};

// Reads a sequence whose time stamps are beats. An MPE stream announces itself with its
// configuration (registered parameter 6) or spreads its notes over channels 2..16 with bends of
// their own; any other stream is single-channel, where bend, pressure and controller 74 apply to
// every note of their channel and polyphonic aftertouch to its own key. Notes still held at
// endBeat (or at the last event when it is negative) are closed there; an end past the
// timeline's is cut at it.
PlayedStream readPlayedStream (const juce::MidiMessageSequence& events, double endBeat);

// Bend ranges above this are taken for a mistake.
constexpr double largestBendRange = 96.0;

} // namespace zelk
