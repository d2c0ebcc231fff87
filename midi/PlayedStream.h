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
    ExpressionTrack pitch;  // semitones from the key, the zone's master bend included
    ExpressionTrack pressure;
    ExpressionTrack timbre;
};

// The notes of a stream and how it was laid out.
struct PlayedStream
{
    std::vector<PlayedNote> notes; // in the order of their note-ons
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
// endBeat (or at the last event when it is negative) are closed there.
PlayedStream readPlayedStream (const juce::MidiMessageSequence& events, double endBeat);

// Bend ranges above this are taken for a mistake.
constexpr double largestBendRange = 96.0;

} // namespace zelk
