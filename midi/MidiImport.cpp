#include "midi/MidiImport.h"

#include "core/ZelkProcessor.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
constexpr double shortestNote = 0.0625; // a 1/64 note

bool isOmittedKind (const juce::MidiMessage& m)
{
    return m.isPitchWheel() || m.isChannelPressure() || m.isAftertouch() || m.isController();
}

Note importedNote (int key, double start, double end, int velocity)
{
    Note note; // the defaults: not connected, no vibrato, flat curves
    note.on = true;
    note.pitch = key;
    note.start = (float) start;
    note.duration = (float) (end - start);
    note.velocity = (float) velocity;
    return note;
}

// Takes the notes of one track; returns an error message or an empty string.
juce::String readTrack (const juce::MidiMessageSequence& track, double ppq, MidiImportResult& result)
{
    juce::MidiMessageSequence events (track);
    events.updateMatchedPairs();

    for (int i = 0; i < events.getNumEvents(); ++i)
    {
        const auto* holder = events.getEventPointer (i);
        const auto& message = holder->message;

        if (isOmittedKind (message))
            result.omitted = true;

        if (! message.isNoteOn()) // a note-on of velocity 0 is a note-off here
            continue;

        // JUCE's reader keeps the file's data bytes as they are; one above 127 is not MIDI.
        if (message.getNoteNumber() > 127 || message.getVelocity() > 127)
            return "Cannot read MIDI file";

        if (holder->noteOffObject == nullptr)
            return "MIDI contains a note without a note-off";

        const auto start = message.getTimeStamp() / ppq;
        const auto end = holder->noteOffObject->message.getTimeStamp() / ppq;

        if (! std::isfinite (start) || ! std::isfinite (end) || start < 0.0 || end > timelineEnd || end - start < shortestNote)
            return "Note outside timeline or shorter than 1/64 note";

        if ((int) result.notes.size() >= slotCount)
            return "MIDI exceeds 128 notes; import a smaller selection";

        result.notes.push_back (importedNote (message.getNoteNumber(), start, end, message.getVelocity()));
    }

    return {};
}

MidiImportResult refused (const juce::String& message)
{
    MidiImportResult result;
    result.error = message;
    return result;
}
} // namespace

juce::String readMidiFile (juce::InputStream& stream, juce::MidiFile& file)
{
    int format = 0;

    if (! file.readFrom (stream, false, &format))
        return "Cannot read MIDI file";

    if (format == 2)
        return "Import supports MIDI type 0/1, not independent type 2 patterns";

    if (file.getTimeFormat() <= 0)
        return "Import requires beat-based MIDI (PPQ), not SMPTE";

    return {};
}

MidiImportResult readMidiNotes (juce::InputStream& stream)
{
    juce::MidiFile file;

    if (const auto error = readMidiFile (stream, file); error.isNotEmpty())
        return refused (error);

    const auto division = file.getTimeFormat();
    MidiImportResult result;

    for (int t = 0; t < file.getNumTracks(); ++t)
    {
        const auto error = readTrack (*file.getTrack (t), (double) division, result);

        if (error.isNotEmpty())
            return refused (error);
    }

    if (result.notes.empty())
        return refused ("MIDI file contains no notes");

    std::stable_sort (result.notes.begin(), result.notes.end(),
                      [] (const Note& a, const Note& b) { return a.start < b.start; });
    return result;
}

MidiImportResult readMidiNotes (const juce::File& file)
{
    if (file.isDirectory())
        return refused ("Cannot read MIDI file");

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return refused ("Cannot read MIDI file");

    return readMidiNotes (stream);
}

juce::String importIntoPattern (ZelkProcessor& processor, const MidiImportResult& result)
{
    jassert (result.ok());

    processor.stopRequested = true;
    processor.hearRequested = false;
    processor.clearPattern();

    for (size_t i = 0; i < result.notes.size() && i < (size_t) slotCount; ++i)
        processor.writeNote ((int) i, result.notes[i]);

    processor.setParameterValue ("rangeEnabled", 0.0f);
    processor.setParameterValue ("looping", 0.0f);
    processor.setPlaybackPosition (0.0);

    juce::String hint;
    hint << "Imported " << (int) result.notes.size() << " notes. DAW tempo.";

    if (result.omitted)
        hint << " Bends/controllers omitted.";

    return hint;
}

} // namespace zelk
