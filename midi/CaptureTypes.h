#pragma once

#include "core/Note.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace zelk
{
// How a played performance becomes notes. Every clean-up step is on unless turned off.
struct CaptureOptions
{
    bool dejitter = true;
    bool glides = true;
    bool vibrato = true;
    // A held pitch within this many cents of its key is set to the key; 0 leaves drift as played.
    double snapDriftCents = 0.0;
    // The "bend" control: semitones per unit of pitch curve.
    double bendDepth = 48.0;
    // Beats per minute while it was played: vibrato rates and timings are heard in seconds.
    double tempo = 120.0;
    // Where notes still held are closed, in beats; negative: at the stream's last event.
    double endBeat = -1.0;
};

// What a capture found, for the status line and `zelk capture`.
struct CaptureReport
{
    int notesFound = 0; // after slides became connected notes
    int notesKept = 0;  // at most 128
    bool mpe = false;
    juce::String layout;      // "MPE lower zone", "MPE upper zone" or "single channel"
    juce::String bendRanges;  // the notes' bend ranges in semitones: "48", or "2, 12"
    juce::String masterRange; // an MPE zone master's, when it bent
    int glidesMade = 0;
    int vibratosLifted = 0;
    int notesClamped = 0;  // a bend beyond the curve's range, an end past the timeline or a note too short
    int notesDropped = 0;  // past the timeline or beyond 128
    int heldToEnd = 0;     // note-ons that had no note-off
    int eventsDropped = 0; // live input that found the queue full
    juce::StringArray hints;

    // One line: "Captured 12 notes (MPE, bend 48): 3 glides, 2 vibratos." and what went wrong.
    juce::String summary() const;
    // A few words for the editor's status text.
    juce::String shortSummary() const;
};

struct CaptureResult
{
    std::vector<Note> notes; // sorted by start; `next` names indices into this list
    CaptureReport report;
    juce::String error; // a file that cannot be read, or a capture that holds no notes

    bool ok() const noexcept { return error.isEmpty(); }
};

} // namespace zelk
